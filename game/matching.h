// Matching: the flood fill that finds a colour group around the latest shot,
// clearing a group of four or more, the staggered popping that makes the
// combo, the floating score texts and the sound and burst of each popped block.
// startLevel empties the lists and resets the group results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/vector_math.h"

struct FloatingText {
    float x, y;  // screen pixels
    std::string text;
    float age;    // ms
    float value;  // the points, or the message's number
    float start;  // style: start field, 0 for score texts
    bool big;     // style flags read by the game view
    bool message;
    int32_t alignment;
    int32_t hudLines;  // big-font lines the view lifts a HUD message above y
};

constexpr int32_t minimumGroup = 4;
constexpr float popInterval = 130.0f;
constexpr float popPulseStart = 1.4f;
constexpr float floatingTextLifeMs = 5000.0f;

extern bool floodVisited[512];  // flood-fill marks, one per block slot
extern bool floodMember[512];
extern int32_t floodOrder[512];
extern int32_t floodCounter;   // next order to hand out
extern int32_t lastGroupSize;  // size of the last cleared group
extern int32_t largestGroup;   // largest group of the level
extern int32_t lastPopOrder;   // popOrder + 1 of the last popped block; the combo shown
extern float popPulse;         // combo counter scale: 1.4 at a pop, back to 1.0
extern int32_t kills;          // blocks cleared this level
extern float floatAnchor[2];   // mouse position at the last shot
extern std::vector<FloatingText> floatingTexts;  // rising texts, oldest first
extern std::vector<float> rushClearTimes;        // playSeconds of Rush clears, newest first

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
