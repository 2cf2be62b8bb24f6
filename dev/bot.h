// The autoplay bot: plays like a person through the normal input handlers.
// It sees only what is drawn (the faces in sight, the shown colour, the meter
// and the powerup charge), looks for a face whose shot completes or grows a
// group of the shown colour, moves the mouse there over a human-like delay,
// fires with the scheme's button once the aim preview shows that face, drags
// the mass round when nothing good is in view, and uses each powerup by one
// plain rule: Fusion Pulse or Timewarp when the meter runs high, Multiplier
// on a big group once the charge is full.
#pragma once

#include <cstdint>

struct BotSkill {
    float reactionMs;   // pause before each decision; the mouse travel takes about as long
    float errorRate;    // share of shots aimed at a random face instead of the best
    int32_t attention;  // faces weighed per decision, picked at random from those in view
};

extern BotSkill botSkill;  // the skill of the running bot
extern bool autoplayOn;    // --autoplay: the bot plays in the main loop
extern int32_t botShots;   // shots the bot has fired since resetBot

constexpr BotSkill skilledBot = {350.0f, 0.08f, 8};
constexpr BotSkill casualBot = {450.0f, 0.1f, 6};

// Forgets any plan and reseeds the bot's own random numbers.
void resetBot(uint32_t seed);
// One frame of the bot, before the frame's update (as input events arrive).
void botStep(float dtMs);
