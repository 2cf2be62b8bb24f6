// libFuzzer target: any bytes as a replay, as the server's verifier and
// --replay read it. An input whose first byte is odd is the unpacked stream,
// packed here, so mutations reach the frames behind the compression. A
// replay that decodes must encode back to one that decodes the same; a short
// one is then played under the rules, so hostile events (positions, game
// states, held keys) meet the input handlers.
#include <cstdint>
#include <string>

#include "archive/asset_archive.h"
#include "game/replay_playback.h"
#include "protocol/replay.h"
#include "tests/fuzz/fuzz_support.h"

static constexpr size_t playedFramesAtMost = 2000;

static bool sameFrames(const Replay& a, const Replay& b) {
    if (a.frames.size() != b.frames.size()) return false;
    for (size_t i = 0; i < a.frames.size(); i++) {
        const ReplayFrame& x = a.frames[i];
        const ReplayFrame& y = b.frames[i];
        if (x.dtMs != y.dtMs || x.steps != y.steps || x.events.size() != y.events.size())
            return false;
        for (size_t e = 0; e < x.events.size(); e++) {
            if (x.events[e].kind != y.events[e].kind || x.events[e].a != y.events[e].a ||
                x.events[e].b != y.events[e].b)
                return false;
        }
    }
    return a.result.score == b.result.score && a.result.statistics == b.result.statistics;
}

// The build's own levels, so a replay meets a real mass.
static void openLevelsOnce() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    assetArchivePath = ZENTRIX_BUILD_DIR "/data/assets.ass";
    openAssetArchive();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietGame();
    openLevelsOnce();
    if (size < 1) return 0;
    std::string rest = fuzzBytes(data + 1, size - 1);
    Replay replay, back;
    std::string error;
    if (!decodeReplay(data[0] % 2 ? packReplayStream(rest) : rest, replay, error)) {
        if (error.empty()) __builtin_trap();  // every refusal names its reason
        return 0;
    }
    if (!decodeReplay(encodeReplay(replay), back, error) || !sameFrames(replay, back))
        __builtin_trap();
    if (replay.frames.size() > playedFramesAtMost) return 0;
    try {
        playReplayHeadless(replay);
    } catch (const ProgramEnded&) {
    }
    return 0;
}
