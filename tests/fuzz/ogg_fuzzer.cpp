// libFuzzer target: any bytes as an Ogg Vorbis sound decoded through the
// memory callbacks. Data the decoder cannot open ends the game on purpose
// (with its message); the harness catches that end and goes on.
#include <cstdint>

#include "sound/sound.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietGame();
    try {
        loadSoundFromMemory("fuzz.ogg", data, size);
    } catch (const ProgramEnded&) {
    }
    soundNames.clear();
    soundBuffers.clear();
    return 0;
}
