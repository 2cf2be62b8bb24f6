// Replay uploads, verdicts and the verified-only ranking.
#include "server/replays.h"

#include <cstdlib>

#include "protocol/encodings.h"
#include "protocol/replay.h"
#include "server/credentials.h"
#include "server/log.h"
#include "server/scores.h"
#include "server/seeds.h"

const size_t replayBodyLimit = replayMaxFileBytes;
const int replayPendingLimit = 8;
// The refusal while an account's waiting replays are at the limit (logged with it).
static const std::string waitingLimitProblem = "the account has " +
                                               std::to_string(replayPendingLimit) +
                                               " replays waiting to be checked already";

static const size_t sha256HexLength = 64;
static const int overallCategory = 0;
static const int firstMode = 1;
static const int lastMode = 6;
static const char statePending[] = "pending";
static const char stateChecking[] = "checking";
static const char stateVerified[] = "verified";

// What replay.php claims, read from its query.
struct ReplayClaim {
    long long userId = 0;
    int mode = 0, level = 0;
    long long score = 0;
    std::string sha256, session;
    long long seed = 0;  // from the replay's header
};

static long long integerOf(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

static bool isLowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

static ReplayClaim readClaim(const ParsedRequest& request) {
    ReplayClaim claim;
    claim.userId = integerOf(fieldValue(request, "userid"));
    claim.mode = static_cast<int>(integerOf(fieldValue(request, "gamemode")));
    claim.level = static_cast<int>(integerOf(fieldValue(request, "level")));
    claim.score = integerOf(fieldValue(request, "score"));
    claim.sha256 = fieldValue(request, "sha256");
    claim.session = fieldValue(request, "sessionhash");
    return claim;
}

// Why the upload cannot be taken before the database is asked; "" when it can.
static std::string bodyProblem(const ReplayClaim& claim, const std::string& body) {
    if (claim.sha256.size() != sha256HexLength || !isLowerHex(claim.sha256))
        return "the SHA-256 is not 64 lower-case hex digits";
    if (body.empty()) return "no replay in the body";
    if (body.size() > replayBodyLimit) return "the body is over the limit";
    if (sha256Hex(body) != claim.sha256) return "the body does not match its SHA-256";
    return "";
}

static std::string describeClaim(const ReplayClaim& claim, const std::string& address) {
    return "replay from " + address + " (user " + std::to_string(claim.userId) + ", mode " +
           std::to_string(claim.mode) + ", level " + std::to_string(claim.level) + ", score " +
           std::to_string(claim.score) + ")";
}

// The stored replay with this SHA-256 is this very upload sent once more: the
// game sends again when the answer to its first try was lost on the way.
static bool isRepeatOf(const SqlRows& known, const ReplayClaim& claim) {
    const SqlRow& row = known[0];
    return integerOf(row[0]) == claim.userId && integerOf(row[1]) == claim.mode &&
           integerOf(row[2]) == claim.level && integerOf(row[3]) == claim.score &&
           row[4] == claim.session;
}

// Why a replay already stored under this SHA-256 is refused.
static std::string knownReplayProblem(const SqlRows& known, const ReplayClaim& claim) {
    return integerOf(known[0][0]) == claim.userId ? "the replay was uploaded already"
                                                  : "the same replay came from another account";
}

static SqlStatus storeClaim(DbConnection* connection, const ReplayClaim& claim,
                            const std::string& body, std::string& reply, std::string& problem) {
    problem.clear();
    SqlRows known, result, earlier, waiting;
    SqlStatus status = sqlRunBatch(
        connection,
        {SqlStatement{"SELECT user_id, mode, level, score, session FROM replays WHERE sha256 = $1",
                      {sqlText(claim.sha256)},
                      &known},
         SqlStatement{"SELECT points, id FROM results WHERE user_id = $1 AND session = $2 AND"
                      " kind = $3 AND mode = $4 AND level = $5 AND score = $6 ORDER BY id",
                      {sqlInt(claim.userId), sqlText(claim.session), sqlInt(resultKindScore),
                       sqlInt(claim.mode), sqlInt(claim.level), sqlInt(claim.score)},
                      &result},
         SqlStatement{"SELECT id FROM replays WHERE user_id = $1 AND session = $2 AND mode = $3"
                      " AND level = $4 AND score = $5",
                      {sqlInt(claim.userId), sqlText(claim.session), sqlInt(claim.mode),
                       sqlInt(claim.level), sqlInt(claim.score)},
                      &earlier},
         SqlStatement{"SELECT COUNT(*) FROM replays WHERE user_id = $1 AND state IN ($2, $3)",
                      {sqlInt(claim.userId), sqlText(statePending), sqlText(stateChecking)},
                      &waiting}});
    if (status != SqlStatus::Ok) return status;
    if (!known.empty() && isRepeatOf(known, claim)) {
        reply = "success";
        return status;
    }
    reply = "fail";
    if (firstInteger(waiting, 0) >= replayPendingLimit)
        problem = waitingLimitProblem;
    else if (!known.empty())
        problem = knownReplayProblem(known, claim);
    else if (result.empty())
        problem = "no score of this run matches it";
    else if (!earlier.empty())
        problem = "this result has a replay already";
    else
        status = useIssuedSeed(connection, claim.userId, claim.seed, problem);
    if (status != SqlStatus::Ok || !problem.empty()) return status;
    reply = "success";
    status = sqlExec(
        connection,
        "INSERT INTO replays (sha256, user_id, mode, level, score, session, points,"
        " body, state, created, result_id) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11)",
        {sqlText(claim.sha256), sqlInt(claim.userId), sqlInt(claim.mode), sqlInt(claim.level),
         sqlInt(claim.score), sqlText(claim.session), sqlInt(firstInteger(result, 0)),
         sqlBlob(body), sqlText(statePending), sqlInt(nowSeconds()),
         sqlInt(integerOf(result[0][1]))});
    // A twin upload stored it first: the transaction runs again and finds it.
    return status == SqlStatus::Conflict ? SqlStatus::Retry : status;
}

std::string replyReplay(ServerContext& context, const ParsedRequest& request,
                        const std::string& body, const std::string& address, bool& tryLater) {
    ReplayClaim claim = readClaim(request);
    std::string problem = bodyProblem(claim, body);
    if (problem.empty() &&
        !checkPasswordHash(context, claim.userId, fieldValue(request, "passwordHash"), address)) {
        problem = "the account does not check out";
    }
    if (problem.empty()) readReplaySeed(body, claim.seed, problem);
    std::string reply = "fail";
    if (problem.empty()) {
        SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
            return storeClaim(connection, claim, body, reply, problem);
        });
        if (status != SqlStatus::Ok) reply = "fail";
        tryLater = status != SqlStatus::Ok || problem == waitingLimitProblem;
    }
    if (!problem.empty()) logBadInput(describeClaim(claim, address) + " refused: " + problem);
    return reply;
}

static const char replayColumns[] =
    "r.id, r.user_id, r.mode, r.level, r.score, r.state, r.replayed_score, r.frames,"
    " r.duration_ms, r.reason, u.name, r.points, r.result_id";

static StoredReplay replayFromRow(const SqlRow& row) {
    StoredReplay replay;
    replay.id = integerOf(row[0]);
    replay.userId = integerOf(row[1]);
    replay.mode = static_cast<int>(integerOf(row[2]));
    replay.level = static_cast<int>(integerOf(row[3]));
    replay.score = integerOf(row[4]);
    replay.state = row[5];
    replay.replayedScore = integerOf(row[6]);
    replay.frames = integerOf(row[7]);
    replay.durationMs = integerOf(row[8]);
    replay.reason = row[9];
    replay.userName = row[10];
    replay.points = integerOf(row[11]);
    replay.resultId = integerOf(row[12]);
    return replay;
}

// The next replay to check: the oldest waiting one of the account whose turn
// came longest ago, so one account's many uploads cannot hold back another's.
static const char nextReplaySql[] =
    ", r.body FROM replays r JOIN users u ON u.id = r.user_id LEFT JOIN replay_turns t"
    " ON t.user_id = r.user_id WHERE r.state = $1 OR (r.state = $2 AND r.claimed < $3)"
    " ORDER BY COALESCE(t.turn, 0), r.id LIMIT 1";

// Moves the account to the back of the line.
static SqlStatus takeTurn(DbConnection* connection, long long userId) {
    return sqlExec(connection,
                   "INSERT INTO replay_turns (user_id, turn) SELECT $1, COALESCE(MAX(turn), 0) + 1"
                   " FROM replay_turns WHERE true ON CONFLICT (user_id) DO UPDATE SET turn ="
                   " excluded.turn",
                   {sqlInt(userId)});
}

static SqlStatus claimInside(DbConnection* connection, long long staleSeconds, StoredReplay& replay,
                             bool& found) {
    // PostgreSQL: servers sharing the database each take a different replay.
    bool shared = *rowLockClause(connection) != '\0';
    std::string lock = shared ? " FOR UPDATE OF r SKIP LOCKED" : "";
    SqlRows rows;
    SqlStatus status = sqlExec(
        connection, std::string("SELECT ") + replayColumns + nextReplaySql + lock,
        {sqlText(statePending), sqlText(stateChecking), sqlInt(nowSeconds() - staleSeconds)},
        &rows);
    found = status == SqlStatus::Ok && !rows.empty();
    if (!found) return status;
    replay = replayFromRow(rows[0]);
    replay.body = sqlBlobBytes(connection, rows[0][13]);
    status = takeTurn(connection, replay.userId);
    if (status != SqlStatus::Ok) return status;
    return sqlExec(connection, "UPDATE replays SET state = $1, claimed = $2 WHERE id = $3",
                   {sqlText(stateChecking), sqlInt(nowSeconds()), sqlInt(replay.id)});
}

bool claimPendingReplay(Database* database, long long staleSeconds, StoredReplay& replay) {
    bool found = false;
    SqlStatus status = inWriteTransaction(database, [&](DbConnection* connection) {
        return claimInside(connection, staleSeconds, replay, found);
    });
    return status == SqlStatus::Ok && found;
}

void releaseUnfinishedChecks(Database* database) {
    inWriteTransaction(database, [](DbConnection* connection) {
        return sqlExec(connection, "UPDATE replays SET state = $1 WHERE state = $2",
                       {sqlText(statePending), sqlText(stateChecking)});
    });
}

// The points its score earned, kept at their highest per level, summed per
// mode and overall as the skillpoints are.
static SqlStatus addVerifiedPoints(DbConnection* connection, const StoredReplay& replay) {
    const std::string sum =
        "INSERT INTO verified_skills (user_id, category, points) VALUES"
        " ($1, $2, (SELECT COALESCE(SUM(points), 0) FROM ";
    const std::string upsert =
        ")) ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points";
    SqlValue user = sqlInt(replay.userId), mode = sqlInt(replay.mode);
    return sqlRunBatch(
        connection,
        {SqlStatement{"INSERT INTO verified_bests (user_id, mode, level, points) VALUES ($1, $2,"
                      " $3, $4) ON CONFLICT (user_id, mode, level) DO UPDATE SET points = CASE"
                      " WHEN excluded.points > verified_bests.points THEN excluded.points ELSE"
                      " verified_bests.points END",
                      {user, mode, sqlInt(replay.level), sqlInt(replay.points)}},
         SqlStatement{sum + "verified_bests WHERE user_id = $1 AND mode = $2" + upsert,
                      {user, mode}},
         SqlStatement{
             sum + "verified_skills WHERE user_id = $1 AND category BETWEEN $3 AND $4" + upsert,
             {user, sqlInt(overallCategory), sqlInt(firstMode), sqlInt(lastMode)}}});
}

bool storeReplayVerdict(Database* database, const StoredReplay& replay,
                        const ReplayVerdictRecord& verdict, bool countsResult) {
    SqlStatus status = inWriteTransaction(database, [&](DbConnection* connection) {
        SqlStatus stored = sqlExec(
            connection,
            "UPDATE replays SET state = $1, replayed_score = $2, frames = $3, duration_ms = $4,"
            " reason = $5, checked = $6 WHERE id = $7",
            {sqlText(verdict.verified ? "verified" : "rejected"), sqlInt(verdict.replayedScore),
             sqlInt(verdict.frames), sqlInt(verdict.durationMs), sqlText(verdict.reason),
             sqlInt(nowSeconds()), sqlInt(replay.id)});
        if (stored != SqlStatus::Ok || !verdict.verified) return stored;
        stored = addVerifiedPoints(connection, replay);
        if (stored != SqlStatus::Ok || !countsResult) return stored;
        return countVerifiedResult(connection, replay.resultId);
    });
    return status == SqlStatus::Ok;
}

bool replaysOfPlayer(Database* database, long long userId, int limit,
                     std::vector<StoredReplay>& replays) {
    ConnectionLease lease(database);
    SqlRows rows;
    if (sqlExec(lease.connection,
                std::string("SELECT ") + replayColumns +
                    " FROM replays r JOIN users u ON u.id = r.user_id WHERE r.user_id = $1"
                    " ORDER BY r.id DESC LIMIT $2",
                {sqlInt(userId), sqlInt(limit)}, &rows) != SqlStatus::Ok) {
        return false;
    }
    replays.clear();
    for (const SqlRow& row : rows) replays.push_back(replayFromRow(row));
    return true;
}

// The row of replay `id` as replayColumns; with `state` not empty, only
// while the replay is in that state.
static bool replayRowById(Database* database, long long id, const char* state, SqlRow& row) {
    ConnectionLease lease(database);
    SqlRows rows;
    if (sqlExec(lease.connection,
                std::string("SELECT ") + replayColumns +
                    " FROM replays r JOIN users u ON u.id = r.user_id WHERE r.id = $1"
                    " AND ($2 = '' OR r.state = $2)",
                {sqlInt(id), sqlText(state)}, &rows) != SqlStatus::Ok ||
        rows.empty()) {
        return false;
    }
    row = rows[0];
    return true;
}

bool replayById(Database* database, long long id, StoredReplay& replay) {
    SqlRow row;
    if (!replayRowById(database, id, "", row)) return false;
    replay = replayFromRow(row);
    return true;
}

// A player's verified runs in a category (0: every mode), best score first.
static SqlStatement verifiedRunsStatement(long long userId, int category, int limit,
                                          SqlRows* rows) {
    return {std::string("SELECT ") + replayColumns +
                ", r.created FROM replays r JOIN users u ON u.id = r.user_id"
                " WHERE r.user_id = $1 AND r.state = $2 AND ($3 = 0 OR r.mode = $3)"
                " ORDER BY r.score DESC, r.id LIMIT $4",
            {sqlInt(userId), sqlText(stateVerified), sqlInt(category), sqlInt(limit)},
            rows};
}

static void readRuns(const SqlRows& rows, std::vector<StoredReplay>& runs) {
    runs.clear();
    for (const SqlRow& row : rows) {
        runs.push_back(replayFromRow(row));
        runs.back().created = integerOf(row[13]);
    }
}

bool verifiedRunsOfPlayer(Database* database, long long userId, int category, int limit,
                          bool& playerKnown, std::vector<StoredReplay>& runs) {
    ConnectionLease lease(database);
    SqlRows player, rows;
    SqlStatus status =
        sqlRunBatch(lease.connection,
                    {SqlStatement{"SELECT id FROM users WHERE id = $1", {sqlInt(userId)}, &player},
                     verifiedRunsStatement(userId, category, limit, &rows)});
    if (status != SqlStatus::Ok) return false;
    playerKnown = !player.empty();
    readRuns(rows, runs);
    return true;
}

std::vector<StoredReplay> bestVerifiedRunsOf(Database* database, int category,
                                             const std::vector<long long>& userIds) {
    std::vector<StoredReplay> best(userIds.size());
    ConnectionLease lease(database);
    for (size_t i = 0; i < userIds.size(); ++i) {
        SqlRows rows;
        std::vector<StoredReplay> runs;
        SqlBatch batch = {verifiedRunsStatement(userIds[i], category, 1, &rows)};
        if (sqlRunBatch(lease.connection, batch) == SqlStatus::Ok) readRuns(rows, runs);
        if (!runs.empty()) best[i] = runs[0];
    }
    return best;
}

bool verifiedReplayFile(Database* database, long long id, StoredReplay& replay) {
    SqlRow row;
    if (!replayRowById(database, id, stateVerified, row)) return false;
    replay = replayFromRow(row);
    return replayBody(database, id, replay.body);
}

bool replayBody(Database* database, long long id, std::string& body) {
    ConnectionLease lease(database);
    SqlRows rows;
    if (sqlExec(lease.connection, "SELECT body FROM replays WHERE id = $1", {sqlInt(id)}, &rows) !=
            SqlStatus::Ok ||
        rows.empty()) {
        return false;
    }
    body = sqlBlobBytes(lease.connection, rows[0][0]);
    return true;
}
