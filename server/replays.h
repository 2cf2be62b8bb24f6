// Replays of ranked results: the upload route (replay.php, the one request
// with a body), the stored verdicts and the points of verified results; a
// verified replay counts its result when only verified results count.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

// The largest replay body the server reads; a longer upload is refused.
extern const size_t replayBodyLimit;
// Replays an account may have waiting for their check; its uploads past it are refused.
extern const int replayPendingLimit;

// replay.php: "success" when the replay is stored (or was already, for this
// account), "fail" when the body does not match its SHA-256, the account does
// not check out, or no score.php of this run stored that result.
// `tryLater` is set when the refusal holds only for now (the account's waiting
// replays are at their limit, or the database could not store it): the client
// keeps the replay and sends it again later.
std::string replyReplay(ServerContext& context, const ParsedRequest& request,
                        const std::string& body, const std::string& address, bool& tryLater);

// A stored replay as the verifier and the web pages see it.
struct StoredReplay {
    long long id = 0, userId = 0;
    int mode = 0, level = 0;
    long long score = 0;
    long long points = 0;    // what score.php gave the result
    long long resultId = 0;  // the results row it backs
    std::string state;       // "pending", "checking", "verified" or "rejected"
    std::string body;        // the replay file's bytes (only when claimed)
    long long replayedScore = 0, frames = 0, durationMs = 0;
    std::string reason;
    std::string userName;
    long long created = 0;  // when it was uploaded, Unix seconds (the public run lists)
};

// What playing a replay again gave.
struct ReplayVerdictRecord {
    bool verified = false;
    std::string reason;
    long long replayedScore = 0, frames = 0, durationMs = 0;
};

// Claims the next pending replay, taking accounts in turn, each one's oldest first (or one whose
// check was left unfinished `staleSeconds` ago, by a stopped server); false when there is none.
bool claimPendingReplay(Database* database, long long staleSeconds, StoredReplay& replay);
// Stores the verdict. A verified one adds its points to the verified points
// and, with `countsResult` (only verified results count), counts its result.
bool storeReplayVerdict(Database* database, const StoredReplay& replay,
                        const ReplayVerdictRecord& verdict, bool countsResult);
// SQLite has one server process: a check it left unfinished starts again now.
void releaseUnfinishedChecks(Database* database);

// A player's latest replays, newest first, and one replay; false when unreadable or absent.
bool replaysOfPlayer(Database* database, long long userId, int limit,
                     std::vector<StoredReplay>& replays);
bool replayById(Database* database, long long id, StoredReplay& replay);

// A player's verified runs in a ranking category (0 for every mode), best
// score first, with their upload times; `playerKnown` is false when no such
// account exists (or it was removed). False when the database cannot answer.
bool verifiedRunsOfPlayer(Database* database, long long userId, int category, int limit,
                          bool& playerKnown, std::vector<StoredReplay>& runs);
// Per player, the best verified run in the category (id 0 where there is none).
std::vector<StoredReplay> bestVerifiedRunsOf(Database* database, int category,
                                             const std::vector<long long>& userIds);
// A verified replay with its file in `body`; false when there is none by that
// id (unknown, pending, rejected, or its player removed) or it cannot be read.
bool verifiedReplayFile(Database* database, long long id, StoredReplay& replay);
// The stored replay file's bytes; false when unreadable or absent.
bool replayBody(Database* database, long long id, std::string& body);
