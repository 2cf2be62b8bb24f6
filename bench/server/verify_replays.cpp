// Replay verification throughput on one core: the bot plays runs across
// every mode with recording on, and each replay is then verified as the
// server would verify it (decoded, played headless, its score compared).
//
//   zentrix-verify-bench [--archive data/assets.ass] [--runs 60] [--checker zentrix-replay-check]
//
// Prints replays verified per second, how many times faster than real time
// the rules play, and the replays' size per minute of play. With --checker
// each replay is also verified the way the server's workers do it, one
// checker process per replay, to show what the process costs. Levels are read
// from the archive once and kept, as a verifying process would keep them.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/server/replay_runs.h"
#include "game/replay_playback.h"
#include "game/replay_recorder.h"
#include "server/replay_verifier.h"

namespace {

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Each replay through its own checker process, as a server worker runs it;
// timed by the wall clock, since the work is done in the child processes.
void verifyThroughChecker(const std::vector<RecordedReplay>& recorded, const std::string& checker,
                          const std::string& archive) {
    VerifierSettings settings;
    settings.checker = checker;
    settings.archive = archive;
    int verified = 0, judged = 0;
    auto start = std::chrono::steady_clock::now();
    for (const RecordedReplay& r : recorded) {
        StoredReplay replay;
        replay.mode = r.mode;
        replay.level = r.level;
        replay.score = r.score;
        replay.body = r.bytes;
        ReplayVerdictRecord verdict;
        if (!runReplayChecker(settings, replay, verdict)) continue;
        judged++;
        verified += verdict.verified ? 1 : 0;
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    printf("through %s: %d judged (%d verified) in %.2f s, %.1f replays per second per worker\n",
           checker.c_str(), judged, verified, took.count(), judged / took.count());
}

}  // namespace

int main(int argc, char** argv) {
    std::string archive = "data/assets.ass";
    std::string checker;
    int runs = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--archive")) archive = argv[i + 1];
        if (!strcmp(argv[i], "--runs")) runs = atoi(argv[i + 1]);
        if (!strcmp(argv[i], "--checker")) checker = argv[i + 1];
    }
    prepareRecording(archive);
    std::vector<RecordedReplay> recorded;
    for (int n = 0; n < runs; n++) recorded.push_back(recordRun(n));
    recorder.enabled = false;

    double played = 0, bytes = 0;
    int verified = 0;
    // The process's own CPU time: the figure per core holds on a busy machine too.
    double start = cpuSeconds();
    for (const RecordedReplay& r : recorded) {
        verified += verifyReplay(r.bytes, r.mode, r.level, r.score).verified ? 1 : 0;
        played += r.playedMs;
        bytes += r.bytes.size();
    }
    double took = cpuSeconds() - start;
    printf("%d replays (%d verify as finished levels), %.0f s of play, verified in %.2f s of CPU\n",
           runs, verified, played / 1000, took);
    printf("replays verified per second per core: %.1f\n", runs / took);
    printf("simulation speed / real time: %.0fx\n", played / 1000 / took);
    printf("replay size: %.1f KB per minute of play\n", bytes / 1024 / (played / 60000));
    if (!checker.empty()) verifyThroughChecker(recorded, checker, archive);
    return 0;
}
