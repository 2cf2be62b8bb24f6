#include "shell/play_keys.h"

#include "base/pointer.h"
#include "platform/input_state.h"

bool replayDrivesInput = false;

int32_t heldPlayKeys() {
    int32_t keys = 0;
    if (platformKeyHeld(vk::Escape)) keys |= PlayKeyEscape;
    if (platformKeyHeld('1')) keys |= PlayKeyPowerup1;
    if (platformKeyHeld('2')) keys |= PlayKeyPowerup2;
    if (platformKeyHeld('3')) keys |= PlayKeyPowerup3;
    return keys;
}
