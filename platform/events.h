// The events the window and the game controllers hand to the game, one at a
// time, in the window's order.
#pragma once

#include <cstdint>

enum class PlatformEventKind {
    None,
    Close,
    Resized,
    Minimized,
    Restored,
    FocusLost,
    FocusGained,
    MouseMove,
    LeftDown,
    LeftUp,
    RightDown,
    RightUp,
    Wheel,
    KeyDown,
    KeyUp,
    PadAdded,    // a game controller was plugged in (or was there at start)
    PadRemoved,  // one was unplugged
    PadDown,     // a controller button went down
    PadUp,
};

struct PlatformEvent {
    PlatformEventKind kind = PlatformEventKind::None;
    int32_t x = 0, y = 0;    // mouse position or new size
    int32_t wheelDelta = 0;  // in 1/120 notch units, like a Windows wheel
    int32_t virtualKey = 0;  // Windows virtual-key code, 0 when unmapped
    uint32_t modifiers = 0;  // PlatformModifier bits of a key event
    int32_t padButton = 0;   // PadButton of a pad event
};
