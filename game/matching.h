// Matching: the flood fill that finds a colour group around the latest shot,
// clearing a group of four or more, the staggered popping that makes the
// combo, the floating score texts and the sound and burst of each popped block.
// Its state is the record `matching` (game/play_state.h); resetMatching
// clears all of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/vector_math.h"
#include "game/play_state.h"

constexpr int32_t minimumGroup = 4;
constexpr float popInterval = 130.0f;
constexpr float popPulseStart = 1.4f;
constexpr float floatingTextLifeMs = 5000.0f;

// A new level's matching state: no texts, no combo, nothing cleared.
void resetMatching();
void resetFloodFill();
int32_t countGroup();
void markGroupForPopping();
// Clears at most one group started by an unsettled block at rest.
void scanForMatches();
// Scores, meter, charge and achievements of a cleared group of n blocks.
void clearGroup(int32_t n);
void updatePopping(float dtMs);
void updateFloatingTexts(float dtMs);
// How the game view draws a floating text: the score style; big (larger,
// twice as long); or message (as big, in yellow).
enum class FloatingTextStyle { Score, Big, Message };
void addFloatingText(float x, float y, const std::string& text, float value,
                     FloatingTextStyle style = FloatingTextStyle::Score, int32_t hudLines = 0);
