#include "tests/server/recorded_runs.h"

#include <httplib.h>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "dev/simulation.h"
#include "game/modes.h"
#include "game/replay_recorder.h"
#include "protocol/encodings.h"
#include "protocol/replay.h"

namespace {

const int botSeedsTried = 20;
const float botStepMs = 16.6667f;
const float attemptLimitMs = 3 * 60 * 1000.0f;
const int uploadTimeoutSeconds = 30;

Replay lastReplay;

void keepReplay(const Replay& replay) {
    lastReplay = replay;
}

void openArchiveOnce() {
    static bool opened = [] {
        logDirectory = "/dev/null";
        assetArchivePath = std::string(ZENTRIX_BUILD_DIR) + "/data/assets.ass";
        openAssetArchive();
        return true;
    }();
    (void)opened;
}

}  // namespace

RecordedRun recordClearedRun(int64_t levelSeed) {
    openArchiveOnce();
    recorder.enabled = true;
    replayFinishedHook = keepReplay;
    RecordedRun found;
    for (uint32_t botSeed = 1; botSeed <= botSeedsTried && found.bytes.empty(); ++botSeed) {
        SimulationSetup setup;
        setup.mode = ModeCasual;
        setup.level = 1;
        setup.seed = botSeed;
        setup.stepMs = botStepMs;
        setup.maxMs = attemptLimitMs;
        modeState.forcedLevelSeed = levelSeed;
        lastReplay = Replay();
        runSimulation(setup);
        if (lastReplay.result.cleared && lastReplay.result.score > 0)
            found = {encodeReplay(lastReplay), 1, lastReplay.result.score, lastReplay.header.seed};
    }
    modeState.forcedLevelSeed = -1;
    recorder.enabled = false;
    replayFinishedHook = nullptr;
    return found;
}

TestResult resultOf(const RecordedRun& run) {
    TestResult result;
    result.mode = ModeCasual;
    result.level = run.level;
    result.score = run.score;
    return result;
}

std::string replayRequest(long long userId, const std::string& password, const TestResult& result,
                          const std::string& sha) {
    return "replay.php?gamemode=" + std::to_string(result.mode) +
           "&level=" + std::to_string(result.level) + "&score=" + std::to_string(result.score) +
           "&sha256=" + sha + "&sessionhash=" + result.session +
           "&userid=" + std::to_string(userId) + "&passwordHash=" + md5Hex(password);
}

std::string uploadReplay(const TestServer& server, const std::string& request,
                         const std::string& body) {
    secureBaseUrl = "/secure.php?data=";
    httplib::Client client("127.0.0.1", server.port);
    client.set_read_timeout(uploadTimeoutSeconds);
    auto result = client.Post(makeSecureUrl(request).c_str(), body, "application/octet-stream");
    if (!result) return "<no answer>";
    if (result->status != 200) return "<status " + std::to_string(result->status) + ">";
    return result->body;
}
