// The server's replay checker: plays uploaded replays under the game's own
// rules, headless, and says whether each reaches the submitted result. Each
// replay starts the rules afresh, so one process plays replay after replay;
// the server keeps a few of them and replaces one that crashes or hangs.
//
//   zentrix-replay-check --archive data/assets.ass MODE LEVEL SCORE < replay.zxr
//   zentrix-replay-check --archive data/assets.ass --serve
//
// With --serve it reads requests "MODE LEVEL SCORE BYTES" on a line of their
// own, each followed by the replay's BYTES bytes, until its input ends, and
// answers each with its verdict lines and a line "end".
//
// A verdict is "verdict verified" or "verdict rejected", then "reason",
// "score" (the replayed one), "frames" and "duration_ms" lines; exits 0 with
// verdicts, 2 when it could not judge (bad arguments, no levels).
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

// A process serving many replays sets no CPU limit of its own: the server
// gives each replay a deadline, replaces a checker that misses it, and sets
// the process's total CPU limit itself, replacing the checker before it nears it.
void limitOwnResources(bool serving) {
    rlimit memory = {memoryLimitBytes, memoryLimitBytes};
    rlimit cpu = {cpuLimitSeconds, cpuLimitSeconds};
    // The address sanitizer reserves terabytes of address space for its
    // shadow memory: its test build keeps the CPU limit only.
    if (!addressSanitizer) setrlimit(RLIMIT_AS, &memory);
    if (!serving) setrlimit(RLIMIT_CPU, &cpu);
}

void printVerdict(const ReplayVerdict& verdict) {
    printf("verdict %s\nreason %s\nscore %d\nframes %lld\nduration_ms %lld\n",
           verdict.verified ? "verified" : "rejected", verdict.reason.c_str(),
           verdict.outcome.result.score, static_cast<long long>(verdict.outcome.frames),
           static_cast<long long>(verdict.playedMs));
}

// One request of --serve: false at the end of the input or on a malformed
// request line (the server then replaces this process).
bool serveOne() {
    char line[128];
    if (!fgets(line, sizeof line, stdin)) return false;
    int mode = 0, level = 0, score = 0;
    unsigned long size = 0;
    if (sscanf(line, "%d %d %d %lu", &mode, &level, &score, &size) != 4) return false;
    if (size > replayMaxFileBytes) return false;
    std::string bytes(size, '\0');
    if (size > 0 && fread(&bytes[0], 1, size, stdin) != size) return false;
    printVerdict(verifyReplay(bytes, mode, level, score));
    printf("end\n");
    fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool serve = argc == 4 && strcmp(argv[3], "--serve") == 0;
    if ((argc != 6 && !serve) || strcmp(argv[1], "--archive") != 0) {
        fprintf(stderr,
                "usage: zentrix-replay-check --archive FILE MODE LEVEL SCORE < REPLAY\n"
                "       zentrix-replay-check --archive FILE --serve\n");
        return 2;
    }
    limitOwnResources(serve);
    // The game's own log lines are not kept: the verdict is all the server reads.
    logDirectory = "/dev/null";
    assetArchivePath = argv[2];
    openAssetArchive();
    if (assetIndex.empty()) {
        fprintf(stderr, "no levels in %s\n", argv[2]);
        return 2;
    }
    if (serve) {
        while (serveOne()) {
        }
        return 0;
    }
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    printVerdict(verifyReplay(bytes, atoi(argv[3]), atoi(argv[4]), atoi(argv[5])));
    return 0;
}
