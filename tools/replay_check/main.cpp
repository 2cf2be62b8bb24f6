// The server's replay checker: plays one uploaded replay under the game's own
// rules, headless, and says whether it reaches the submitted result. The
// rules keep their state in globals, one game per process, so the server runs
// one checker process per replay; a crash or a hang costs only that process.
//
//   zentrix-replay-check --archive data/assets.ass MODE LEVEL SCORE < replay.zxr
//
// Prints "verdict verified" or "verdict rejected", then "reason", "score"
// (the replayed one), "frames" and "duration_ms" lines; exits 0 with a
// verdict, 2 when it could not judge (bad arguments, no levels).
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

#include "archive/asset_archive.h"
#include "base/console_log.h"
#include "game/replay_playback.h"

namespace {

// A replay has no business needing more than this.
constexpr rlim_t memoryLimitBytes = rlim_t(1) << 30;
constexpr rlim_t cpuLimitSeconds = 600;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

void limitOwnResources() {
    rlimit memory = {memoryLimitBytes, memoryLimitBytes};
    rlimit cpu = {cpuLimitSeconds, cpuLimitSeconds};
    // The address sanitizer reserves terabytes of address space for its
    // shadow memory: its test build keeps the CPU limit only.
    if (!addressSanitizer) setrlimit(RLIMIT_AS, &memory);
    setrlimit(RLIMIT_CPU, &cpu);
}

void printVerdict(const ReplayVerdict& verdict) {
    printf("verdict %s\nreason %s\nscore %d\nframes %lld\nduration_ms %lld\n",
           verdict.verified ? "verified" : "rejected", verdict.reason.c_str(),
           verdict.outcome.result.score, static_cast<long long>(verdict.outcome.frames),
           static_cast<long long>(verdict.playedMs));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || strcmp(argv[1], "--archive") != 0) {
        fprintf(stderr, "usage: zentrix-replay-check --archive FILE MODE LEVEL SCORE < REPLAY\n");
        return 2;
    }
    limitOwnResources();
    // The game's own log lines are not kept: the verdict is all the server reads.
    logDirectory = "/dev/null";
    assetArchivePath = argv[2];
    openAssetArchive();
    if (assetIndex.empty()) {
        fprintf(stderr, "no levels in %s\n", argv[2]);
        return 2;
    }
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    printVerdict(verifyReplay(bytes, atoi(argv[3]), atoi(argv[4]), atoi(argv[5])));
    return 0;
}
