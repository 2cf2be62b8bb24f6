// The results the server has not answered yet, as they are kept on disk
// beside the settings ("unsent-results.dat"), so that neither a lost
// connection nor quitting the game loses a ranked result or its replay.
//
// The file is a run of entries, oldest first, each one line of fields and the
// replay's bytes:
//   "ZXU1 userid session mode level score taken closed record length digest\n"
//   followed by `length` replay bytes and "\n".
// `taken`: the server answered the score (its replay is what is left);
// `closed`: the attempt has ended, so the replay bytes are final (none when
// length is 0). `digest` is the SHA-256 of the line before it and the replay,
// so a damaged entry is found and dropped on its own; the reader then looks for
// the next line that starts an entry and reads on from there.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

struct UnsentResult {
    std::string userId;   // the account that played it
    std::string session;  // the session hash its score and replay carry
    int32_t mode = 0, level = 0, score = 0;
    std::string record;         // score.php's statistics fields, "gamemode=..." to "performance=.."
    bool scoreTaken = false;    // the server answered the score
    bool replayClosed = false;  // the attempt ended: `replay` is final ("" when there is none)
    std::string replay;         // the replay file, which holds the seed the server issued
    uint64_t id = 0;            // in memory only: tells the transfers apart
};

extern const char unsentFileName[];  // "unsent-results.dat" in the settings folder

// At most this many results are kept; a newer one pushes out the oldest.
constexpr size_t unsentResultsLimit = 32;
// The longest statistics record and session hash an entry may carry.
constexpr size_t unsentRecordLimit = 1024;
constexpr size_t unsentSessionLimit = 64;

std::string encodeUnsentResults(const std::deque<UnsentResult>& results);
// The entries that read whole; returns how many damaged stretches were skipped.
size_t decodeUnsentResults(const std::string& bytes, std::deque<UnsentResult>& results);

// Reads the file (missing: nothing kept); each damaged stretch gives one console line.
std::deque<UnsentResult> loadUnsentResults();
// Replaces the file with `results` (removes it when they are none); false with
// errno set when the disk refused.
bool storeUnsentResults(const std::deque<UnsentResult>& results);
