// Bot runs recorded as the game records them, for the replay tests: the
// replay file of a Casual level 1 that the bot clears, and the requests that
// submit its result and upload it.
#pragma once

#include <cstdint>
#include <string>

#include "tests/server/server_harness.h"

struct RecordedRun {
    std::string bytes;  // the replay file; "" when the bot cleared no attempt
    int level = 1;
    long long score = 0;
    uint32_t seed = 0;  // the level's seed, as the header records it
};

// A ranked Casual level 1 the bot clears: under `levelSeed` when given (as an
// issued seed is played), else under whatever seed the level draws. Tries a
// few bot seeds; `bytes` stays "" when none clears.
RecordedRun recordClearedRun(int64_t levelSeed = -1);

// The result of `run` as score.php submits it.
TestResult resultOf(const RecordedRun& run);

// replay.php's query for a body whose SHA-256 is `sha`.
std::string replayRequest(long long userId, const std::string& password, const TestResult& result,
                          const std::string& sha);
// POST of secure.php with the body, as the game uploads; the reply or "<status N>".
std::string uploadReplay(const TestServer& server, const std::string& request,
                         const std::string& body);
