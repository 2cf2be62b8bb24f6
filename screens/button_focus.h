// The focus of the keyboard and the gamepad: every button a screen tests for
// hover is offered here, with its rectangle, as the screen's update runs, so
// the keys can walk the buttons of whatever screen is shown without the
// screens keeping a focus of their own. Moving the focus places the pointer
// on the button, so the screen's own hover test lights it as the mouse would
// and a press there is an ordinary click.
#pragma once

#include <cstdint>

#include "engine/draw2d.h"

// A button the current screen offered this frame.
struct FocusTarget {
    int32_t item;  // the hoverItem the button sets
    IntRect rect;  // its hover rectangle, pixels
    bool back;     // the screen's way back ("Back"): Escape and the pad's B press it
};

// Directions of a focus move.
enum FocusMove : int32_t {
    FocusNext,  // Tab: the next button in the screen's order, wrapping
    FocusPrevious,
    FocusUp,  // arrows: the nearest button that way; none there: the focus stays
    FocusDown,
    FocusLeft,
    FocusRight,
};

constexpr int maxFocusTargets = 64;

extern FocusTarget focusTargets[maxFocusTargets];  // the buttons of the last finished frame
extern int focusTargetCount;                       // how many of them
extern bool focusShown;        // keys or a pad placed the pointer; a mouse move clears it
extern bool hoverLagsPointer;  // the pointer moved since the screens last worked out their hover

// Starts a frame: what the screens offered in the last one becomes the targets.
void beginFocusFrame();
// Offers a button; answers whether the pointer lies inside its rectangle.
bool itemHovered(int32_t item, IntRect rect, bool back = false);
// The target under the pointer, -1 when none.
int focusedTarget(int32_t x, int32_t y);
// The target a move goes to from target `from` (-1: none yet), -1 when there is none.
int nextFocusTarget(const FocusTarget* targets, int count, int from, FocusMove move);
// The screen's way back, -1 when it has none.
int backTarget();
// The pointer position that focuses a target: its centre.
void targetCentre(const FocusTarget& target, int32_t& x, int32_t& y);
