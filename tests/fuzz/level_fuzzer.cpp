// libFuzzer target: any bytes as a level file, read as the game reads it,
// then played for a few seconds by the bot in a mode the first byte picks,
// so block positions no designer would write meet the whole play loop.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dev/simulation.h"
#include "game/blocks.h"
#include "game/level_file.h"
#include "game/modes.h"
#include "tests/fuzz/fuzz_support.h"

static constexpr float playedMs = 3000.0f;
static constexpr float frameMs = 50.0f;

static bool insideWorld(const Vec3& c) {
    return std::fabs(c.x) <= worldBound && std::fabs(c.y) <= worldBound &&
           std::fabs(c.z) <= worldBound;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzScratch() + "/level.blvl";
    quietGame();
    if (size < 1) return 0;
    writeFuzzFile(path, fuzzBytes(data + 1, size - 1));
    std::vector<Vec3> centres;
    if (!readLevelFile(path, 0, centres)) return 0;
    if (centres.size() > static_cast<size_t>(blockSlots)) __builtin_trap();
    for (const Vec3& c : centres)
        if (!insideWorld(c)) __builtin_trap();
    if (centres.empty()) return 0;
    SimulationSetup setup;
    setup.mode = ModeCasual + data[0] % 6;
    setup.seed = data[0];
    setup.stepMs = frameMs;
    setup.maxMs = playedMs;
    setup.blocks = centres;
    runSimulation(setup);
    return 0;
}
