// The development options --start and --autoplay: a game begun by the intro
// as the menus would begin it, and the bot's step before each frame.
//
// "--start MODE[:LEVEL]" begins offline at once (a Classic level is a
// Practice game); "--start ranked:MODE[:LEVEL]" plays ranked: online it waits
// until the login has reached the menu, offline it begins at once.
// "--clear-level" empties the first level once its play has begun.
#pragma once

#include <cstdint>
#include <string>

// Called once a frame by the main loop before the frame's input and update:
// the first call hands a --start game to the intro; then the bot plays.
void runDevelopmentFrame();
// With --autoplay, once a frame after drawing: logs each GL error the frame
// raised, so a soak can count them.
void checkAutoplayGlErrors();
extern int64_t autoplayGlErrors;  // GL errors seen in autoplay frames
// With --autoplay, once a frame: the real time since the last call, less the
// time blocking requests took (the rules let those stop the game).
void timeAutoplayFrame();
// With --autoplay, at the end: one log line with the frame times' spread,
// "Autoplay frame times: N frames, p50 A ms, p99 B ms, longest C ms outside
// blocking requests; D ms in blocking requests".
void logAutoplayFrameTimes();
