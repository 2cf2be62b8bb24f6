// Results and what follows from them.
#include "server/scores.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "protocol/encodings.h"
#include "server/achievements.h"
#include "server/credentials.h"
#include "server/ranking.h"
#include "server/score_function.h"

const int resultKindScore = 1;
const int resultKindDeath = 2;

static const int firstMode = 1;
static const int lastMode = 6;
static const int overallCategory = 0;
static const int firstLevel = 1;
static const int lastLevel = 10;
static const int classicLastLevel = 10;
static const int modeCasual = 1;
static const int modeNormal = 2;
static const int modeExpert = 3;
static const int modeRush = 4;
static const int modeSurvival = 5;
static const int modeMeditation = 6;
static const int controlsNormal = 0;
static const int controlsReversed = 1;
static const int maxControls = 2;
static const int minPerformance = 1;
static const int maxPerformance = 7;
static const long long minResultsForReference = 3;
static const double pointsScale = 1000.0;
static const double epicSpreads = 3.0;
static const long long briskoApm = 80;
static const double quickClassicSeconds = 20 * 60;
static const double massAddictSeconds = 100 * 3600;
static const double binRatio = 1.02;
static const int binStripes = 16;
static const double quartilesPerSpread = 1.349;
// The plausible range of one level's result. A Rush score drains below zero;
// Survival adds a growing bonus per one-minute stage and has no end.
static const long long maxClassicScore = 100000000;
static const long long minRushScore = -10000000;
static const long long maxSurvivalScore = 1000000000;
static const double maxLevelSeconds = 4 * 3600;
static const double maxSurvivalSeconds = 24 * 3600;
static const long long maxCount = 1000000;

int scoreBin(long long score) {
    if (score <= 0) return 0;
    return 1 +
           static_cast<int>(std::floor(std::log(static_cast<double>(score)) / std::log(binRatio)));
}

int binStripe(long long userId) {
    return static_cast<int>(userId % binStripes);
}

long long binValue(int bin) {
    if (bin <= 0) return 0;
    return std::llround(std::pow(binRatio, bin - 1) * std::sqrt(binRatio));
}

// The value at 0-based position `rank` of the ordered results.
static long long valueAtRank(const std::vector<BinCount>& bins, long long rank) {
    long long seen = 0;
    for (const BinCount& bin : bins) {
        seen += bin.results;
        if (seen > rank) return binValue(bin.bin);
    }
    return bins.empty() ? 0 : binValue(bins.back().bin);
}

LevelReference referenceFromBins(const std::vector<BinCount>& bins) {
    LevelReference reference;
    for (const BinCount& bin : bins) reference.count += bin.results;
    if (reference.count < 1) return reference;
    long long last = reference.count - 1;
    reference.centre = valueAtRank(bins, last / 2);
    long long lower = valueAtRank(bins, last / 4);
    long long upper = valueAtRank(bins, last * 3 / 4);
    reference.spread = std::llround((upper - lower) / quartilesPerSpread);
    return reference;
}

int onlyLevelOf(int mode) {
    static const int rushLevel = 5;        // the level file Rush plays
    static const int survivalLevel = 2;    // the level file Survival's stages start from
    static const int meditationLevel = 1;  // Meditation starts from one block, as level 1
    if (mode == modeRush) return rushLevel;
    if (mode == modeSurvival) return survivalLevel;
    if (mode == modeMeditation) return meditationLevel;
    return 0;
}

bool isPlayedLevel(int mode, int level) {
    if (mode < firstMode || mode > lastMode || level < firstLevel || level > lastLevel)
        return false;
    int only = onlyLevelOf(mode);
    return only == 0 || level == only;
}

const ResultLimits& resultLimits(int mode) {
    static const ResultLimits classic = {0, maxClassicScore, maxLevelSeconds};
    static const ResultLimits rush = {minRushScore, maxClassicScore, maxLevelSeconds};
    static const ResultLimits survival = {0, maxSurvivalScore, maxSurvivalSeconds};
    if (mode == modeRush) return rush;
    if (mode == modeSurvival) return survival;
    return classic;
}

LevelReference publishedReference(const LevelReference& reference) {
    if (reference.count >= minResultsForReference) return reference;
    LevelReference none;
    none.count = reference.count;
    return none;
}

// "CENTRE SPREAD" as the replies give a level's reference: 0 0 until it is published.
static std::string referenceReplyText(const LevelReference& reference) {
    LevelReference published = publishedReference(reference);
    return std::to_string(published.centre) + " " + std::to_string(published.spread);
}

long long resultPoints(long long score, const LevelReference& reference) {
    if (score <= 0) return 0;
    // The level's first result (or a centre below one point) counts as an average one.
    double against = reference.centre >= 1 ? static_cast<double>(reference.centre) : score;
    return static_cast<long long>(std::floor(pointsScale * score / (score + against)));
}

// One result as reported by score.php or death.php.
struct ResultRecord {
    long long userId = 0;
    int mode = 0, level = 0;
    long long score = 0;
    double seconds = 0;
    long long apm = 0, controls = 0, drops = 0, rotates = 0, kills = 0, performance = 0;
    long long powerups[6] = {};  // pup1earned .. pup3earned, pup1used .. pup3used
    std::string session;
    std::string digest;  // of the whole request: the same request is stored once
};

static long long integerField(const ParsedRequest& request, const char* key) {
    return std::strtoll(fieldValue(request, key).c_str(), nullptr, 10);
}

static bool isCount(long long value) {
    return value >= 0 && value <= maxCount;
}

static bool isPlausible(const ResultRecord& r) {
    const ResultLimits& limits = resultLimits(r.mode);
    return r.score >= limits.minScore && r.score <= limits.maxScore && r.seconds >= 0 &&
           r.seconds <= limits.maxSeconds;
}

static bool readResult(const ParsedRequest& request, const std::string& plain, ResultRecord& r) {
    static const char* const powerupKeys[] = {"pup1earned", "pup2earned", "pup3earned",
                                              "pup1used",   "pup2used",   "pup3used"};
    r.userId = integerField(request, "userid");
    r.mode = static_cast<int>(integerField(request, "gamemode"));
    r.level = static_cast<int>(integerField(request, "level"));
    r.score = integerField(request, "score");
    r.seconds = std::strtod(fieldValue(request, "time").c_str(), nullptr);
    r.apm = integerField(request, "apm");
    r.controls = integerField(request, "controls");
    r.drops = integerField(request, "drops");
    r.rotates = integerField(request, "rotates");
    r.kills = integerField(request, "kills");
    r.performance = integerField(request, "performance");
    bool countsOk = isCount(r.apm) && isCount(r.drops) && isCount(r.rotates) && isCount(r.kills);
    for (int i = 0; i < 6; ++i) {
        r.powerups[i] = integerField(request, powerupKeys[i]);
        countsOk = countsOk && isCount(r.powerups[i]);
    }
    r.session = fieldValue(request, "sessionhash");
    r.digest = md5Hex(plain);
    return countsOk && isPlayedLevel(r.mode, r.level) && r.controls >= 0 &&
           r.controls <= maxControls && isPlausible(r);
}

static SqlStatement skillStatement(long long userId, int category, SqlRows* rows) {
    return SqlStatement{"SELECT points FROM skills WHERE user_id = $1 AND category = $2",
                        {sqlInt(userId), sqlInt(category)},
                        rows};
}

static SqlStatement binsStatement(int mode, int level, SqlRows* rows) {
    return SqlStatement{
        "SELECT bin, SUM(results) FROM score_bins WHERE mode = $1 AND level = $2 GROUP BY bin"
        " ORDER BY bin",
        {sqlInt(mode), sqlInt(level)},
        rows};
}

static std::vector<BinCount> binsFromRows(const SqlRows& rows) {
    std::vector<BinCount> bins;
    for (const SqlRow& row : rows) {
        bins.push_back(
            BinCount{std::atoi(row[0].c_str()), std::strtoll(row[1].c_str(), nullptr, 10)});
    }
    return bins;
}

// Counts one more result in its bin, keeping the bins in order.
static void addToBins(std::vector<BinCount>& bins, int bin) {
    auto at = std::lower_bound(bins.begin(), bins.end(), bin,
                               [](const BinCount& count, int value) { return count.bin < value; });
    if (at != bins.end() && at->bin == bin) {
        ++at->results;
    } else {
        bins.insert(at, BinCount{bin, 1});
    }
}

static SqlStatement bestStatement(const ResultRecord& r, SqlRows* rows) {
    return SqlStatement{
        "SELECT best_score, points FROM bests WHERE user_id = $1 AND mode = $2 AND level = $3",
        {sqlInt(r.userId), sqlInt(r.mode), sqlInt(r.level)},
        rows};
}

// The account's row; locked when `lock`, which orders one account's submissions.
static SqlStatement userStatement(DbConnection* connection, long long userId, bool lock,
                                  SqlRows* rows) {
    std::string sql = "SELECT id FROM users WHERE id = $1";
    if (lock) sql += rowLockClause(connection);
    return SqlStatement{sql, {sqlInt(userId)}, rows};
}

std::string replyHighscore(ServerContext& context, const ParsedRequest& request) {
    ResultRecord r;
    r.userId = integerField(request, "userid");
    r.mode = static_cast<int>(integerField(request, "gamemode"));
    r.level = static_cast<int>(integerField(request, "level"));
    if (!isPlayedLevel(r.mode, r.level)) return "fail";
    ConnectionLease lease(context.database);
    SqlRows user, best, bins, rank;
    SqlStatus status = sqlRunBatch(
        lease.connection,
        {userStatement(lease.connection, r.userId, false, &user), bestStatement(r, &best),
         binsStatement(r.mode, r.level, &bins), storedRankStatement(r.mode, r.userId, &rank)});
    if (status != SqlStatus::Ok || user.empty()) return "fail";
    return "success " + std::to_string(firstInteger(best, 0)) + " " +
           referenceReplyText(referenceFromBins(binsFromRows(bins))) + " " +
           std::to_string(firstInteger(rank, 0) + 1);
}

// The columns of a result row in the order of its insert, `last` after them.
static SqlParams resultParams(const ResultRecord& r, int kind, long long last) {
    SqlParams params = {sqlText(r.digest),  sqlInt(r.userId), sqlInt(kind),       sqlInt(r.mode),
                        sqlInt(r.level),    sqlInt(r.score),  sqlReal(r.seconds), sqlInt(r.apm),
                        sqlInt(r.controls), sqlInt(r.drops),  sqlInt(r.rotates)};
    for (long long count : r.powerups) params.push_back(sqlInt(count));
    params.push_back(sqlInt(r.kills));
    params.push_back(sqlInt(r.performance));
    params.push_back(sqlText(r.session));
    params.push_back(sqlInt(nowSeconds()));
    params.push_back(sqlInt(last));
    return params;
}

// `points`: what a score earned against the level as it stood (0 for a death);
// `counted`: whether the points count now or wait for the replay.
static SqlStatement resultInsert(const ResultRecord& r, int kind, long long points = 0,
                                 bool counted = true) {
    const std::string sql =
        "INSERT INTO results (digest, user_id, kind, mode, level, score, seconds, apm, controls,"
        " drops, rotates, pup1earned, pup2earned, pup3earned, pup1used, pup2used, pup3used, kills,"
        " performance, session, created, points, counted) VALUES ($1, $2, $3, $4, $5, $6, $7, $8,"
        " $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21, $22, $23)";
    SqlParams params = resultParams(r, kind, points);
    params.push_back(sqlInt(counted ? 1 : 0));
    return SqlStatement{sql, params, nullptr};
}

static SqlStatement playTimeStatement(const ResultRecord& r) {
    return SqlStatement{"UPDATE users SET play_seconds = play_seconds + $1 WHERE id = $2",
                        {sqlReal(r.seconds), sqlInt(r.userId)},
                        nullptr};
}

static SqlStatement replyStatement(const ResultRecord& r, const std::string& reply) {
    return SqlStatement{"UPDATE results SET reply = $1 WHERE digest = $2",
                        {sqlText(reply), sqlText(r.digest)},
                        nullptr};
}

// A replay racing its twin, or a grant racing another: the transaction runs again
// and finds what the other stored.
static SqlStatus retryConflict(SqlStatus status) {
    return status == SqlStatus::Conflict ? SqlStatus::Retry : status;
}

// What the server learns from one accepted score, gathered for the reply and the grants.
struct ScoreOutcome {
    LevelReference before, after;
    long long bestScore = 0, keptPoints = 0;
    long long skillBefore = 0, skillAfter = 0, rankBefore = 0, rankAfter = 0;
    long long overallSkill = 0, overallRank = 0;
    double playSeconds = 0;
    std::vector<int> granted;
};

// What stood before the result, read in one batch with the account's lock.
struct BeforeRows {
    SqlRows reply, user, bins, skill, rank, best;
};

// Submissions of one level do not wait for each other: each measures its score
// against the level's results committed before it began.
static SqlStatus readBefore(DbConnection* connection, const ResultRecord& r, BeforeRows& rows) {
    return sqlRunBatch(
        connection,
        {SqlStatement{
             "SELECT reply FROM results WHERE digest = $1", {sqlText(r.digest)}, &rows.reply},
         userStatement(connection, r.userId, true, &rows.user),
         binsStatement(r.mode, r.level, &rows.bins), skillStatement(r.userId, r.mode, &rows.skill),
         storedRankStatement(r.mode, r.userId, &rows.rank), bestStatement(r, &rows.best)});
}

// The level's reference from its bin rows, and what it becomes with one more `score`.
static void referencesAround(const SqlRows& binRows, long long score, LevelReference& before,
                             LevelReference& after) {
    std::vector<BinCount> bins = binsFromRows(binRows);
    before = referenceFromBins(bins);
    addToBins(bins, scoreBin(score));
    after = referenceFromBins(bins);
}

static void takeBefore(const ResultRecord& r, const BeforeRows& rows, ScoreOutcome& out) {
    referencesAround(rows.bins, r.score, out.before, out.after);
    out.skillBefore = firstInteger(rows.skill, 0);
    out.rankBefore = firstInteger(rows.rank, 0) + 1;
    bool exists = !rows.best.empty();
    long long best = exists ? std::strtoll(rows.best[0][0].c_str(), nullptr, 10) : 0;
    long long points = exists ? std::strtoll(rows.best[0][1].c_str(), nullptr, 10) : 0;
    out.bestScore = exists ? std::max(best, r.score) : r.score;
    // Points are kept at their highest, so a later rise of the reference never costs any.
    out.keptPoints = std::max(points, resultPoints(r.score, out.before));
}

// Totals of one classic run: every result of this mode under one session hash.
struct RunSummary {
    long long levelsCleared = 0;
    double seconds = 0;
    long long rotates = 0;
    long long slowAndPulseUsed = 0;
    long long controlSchemes = 0;  // of normal and reversed, how many were used
};

struct AfterRows {
    SqlRows play, skill, overall, rank, overallRank, held;
    SqlRows runLevels, runTotals, runSchemes;  // only when the score ends a classic run
};

static bool endsClassicRun(const ResultRecord& r) {
    return r.mode <= modeExpert && r.level == classicLastLevel;
}

static void addRunStatements(const ResultRecord& r, AfterRows& rows, SqlBatch& batch) {
    SqlParams params = {sqlInt(r.userId), sqlText(r.session), sqlInt(r.mode),
                        sqlInt(resultKindScore)};
    const std::string where = " FROM results WHERE user_id = $1 AND session = $2 AND mode = $3";
    batch.push_back(SqlStatement{"SELECT COUNT(DISTINCT level)" + where + " AND kind = $4", params,
                                 &rows.runLevels});
    batch.push_back(
        SqlStatement{"SELECT COALESCE(SUM(seconds), 0), COALESCE(SUM(rotates), 0),"
                     " COALESCE(SUM(pup2used + pup3used), 0)" +
                         where,
                     {params[0], params[1], params[2]},
                     &rows.runTotals});
    batch.push_back(SqlStatement{
        "SELECT COUNT(DISTINCT controls)" + where + " AND kind = $4 AND controls IN ($5, $6)",
        {params[0], params[1], params[2], params[3], sqlInt(controlsNormal),
         sqlInt(controlsReversed)},
        &rows.runSchemes});
}

static RunSummary runFromRows(const AfterRows& rows) {
    RunSummary run;
    if (rows.runTotals.empty()) return run;
    run.levelsCleared = firstInteger(rows.runLevels, 0);
    run.seconds = std::strtod(rows.runTotals[0][0].c_str(), nullptr);
    run.rotates = std::strtoll(rows.runTotals[0][1].c_str(), nullptr, 10);
    run.slowAndPulseUsed = std::strtoll(rows.runTotals[0][2].c_str(), nullptr, 10);
    run.controlSchemes = firstInteger(rows.runSchemes, 0);
    return run;
}

static const char bestUpsertSql[] =
    "INSERT INTO bests (user_id, mode, level, best_score, points) VALUES ($1, $2, $3, $4, $5)"
    " ON CONFLICT (user_id, mode, level) DO UPDATE SET best_score = excluded.best_score,"
    " points = excluded.points";

// One more result of the account in the level's histogram bin `bin` (`change`
// 1), or one fewer (-1), in the account's stripe.
static SqlStatement binStatement(const ResultRecord& r, int bin, int change) {
    return SqlStatement{
        "INSERT INTO score_bins (mode, level, bin, stripe, results) VALUES ($1, $2, $3, $4, $5)"
        " ON CONFLICT (mode, level, bin, stripe) DO UPDATE SET results = score_bins.results + $5",
        {sqlInt(r.mode), sqlInt(r.level), sqlInt(bin), sqlInt(binStripe(r.userId)), sqlInt(change)},
        nullptr};
}

// Skillpoints are sums: of the mode's level points, and overall of the six modes.
// (A plain VALUES row and no RETURNING: SQLite builds a temporary table for either.)
static void addSkillSums(long long userId, int mode, SqlBatch& batch) {
    const std::string storeSkill =
        "INSERT INTO skills (user_id, category, points) VALUES ($1, $2, (SELECT"
        " COALESCE(SUM(points), 0) FROM ";
    const std::string upsert =
        ")) ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points";
    batch.push_back(SqlStatement{storeSkill + "bests WHERE user_id = $1 AND mode = $2" + upsert,
                                 {sqlInt(userId), sqlInt(mode)},
                                 nullptr});
    batch.push_back(SqlStatement{
        storeSkill + "skills WHERE user_id = $1 AND category BETWEEN $3 AND $4" + upsert,
        {sqlInt(userId), sqlInt(overallCategory), sqlInt(firstMode), sqlInt(lastMode)},
        nullptr});
}

// The account's skillpoints and ranks in the mode and overall, and its achievements.
static void addStandingReads(long long userId, int mode, AfterRows& rows, SqlBatch& batch) {
    batch.push_back(skillStatement(userId, mode, &rows.skill));
    batch.push_back(skillStatement(userId, overallCategory, &rows.overall));
    batch.push_back(storedRankStatement(mode, userId, &rows.rank));
    batch.push_back(storedRankStatement(overallCategory, userId, &rows.overallRank));
    batch.push_back(heldAchievementsStatement(userId, &rows.held));
}

// Stores the result, the best, the reference and the skillpoints, and reads back
// what the reply and the grants need, in one batch.
static SqlStatus writeResult(DbConnection* connection, const ResultRecord& r,
                             const ScoreOutcome& out, AfterRows& rows) {
    SqlBatch batch = {
        SqlStatement{bestUpsertSql,
                     {sqlInt(r.userId), sqlInt(r.mode), sqlInt(r.level), sqlInt(out.bestScore),
                      sqlInt(out.keptPoints)},
                     nullptr},
        binStatement(r, scoreBin(r.score), 1),
        resultInsert(r, resultKindScore, resultPoints(r.score, out.before)),
        playTimeStatement(r),
        SqlStatement{
            "SELECT play_seconds FROM users WHERE id = $1", {sqlInt(r.userId)}, &rows.play},
    };
    addSkillSums(r.userId, r.mode, batch);
    addStandingReads(r.userId, r.mode, rows, batch);
    if (endsClassicRun(r)) addRunStatements(r, rows, batch);
    return retryConflict(sqlRunBatch(connection, batch));
}

// Stores a result that waits for its replay: nothing counts yet. Reads back
// the rank the account would hold with `out.skillAfter`, for the reply.
static SqlStatus writePendingResult(DbConnection* connection, const ResultRecord& r,
                                    const ScoreOutcome& out, AfterRows& rows) {
    SqlBatch batch = {
        resultInsert(r, resultKindScore, resultPoints(r.score, out.before), false),
        playTimeStatement(r),
        SqlStatement{
            "SELECT play_seconds FROM users WHERE id = $1", {sqlInt(r.userId)}, &rows.play},
        rankOfPointsStatement(r.mode, out.skillAfter, &rows.rank),
        heldAchievementsStatement(r.userId, &rows.held),
    };
    if (endsClassicRun(r)) addRunStatements(r, rows, batch);
    return retryConflict(sqlRunBatch(connection, batch));
}

static void takeStanding(const AfterRows& rows, ScoreOutcome& out) {
    out.skillAfter = firstInteger(rows.skill, 0);
    out.overallSkill = firstInteger(rows.overall, 0);
    out.rankAfter = firstInteger(rows.rank, 0) + 1;
    out.overallRank = firstInteger(rows.overallRank, 0) + 1;
}

static void takeAfter(const AfterRows& rows, ScoreOutcome& out) {
    out.playSeconds = firstReal(rows.play, 0);
    takeStanding(rows, out);
}

static void classicGrants(const ResultRecord& r, const RunSummary& run, std::vector<int>& grants) {
    if (run.levelsCleared < classicLastLevel) return;
    bool quick = run.seconds < quickClassicSeconds;
    if (r.mode == modeCasual) grants.push_back(achievementLearnedToPlay);
    if (r.mode == modeNormal) {
        grants.push_back(achievementZentricPro);
        if (quick) grants.push_back(achievementZentricMaster);
        if (run.controlSchemes == 2) grants.push_back(achievementAmbidextrous);
    }
    if (r.mode == modeExpert) {
        grants.push_back(achievementZentricExpert);
        if (quick) grants.push_back(achievementZentricallyInsane);
    }
    if (r.mode >= modeNormal) {
        if (run.rotates == 0) grants.push_back(achievementHoldStill);
        if (run.slowAndPulseUsed == 0) grants.push_back(achievementElitist);
    }
}

static void rankGrants(const ResultRecord& r, const ScoreOutcome& out, std::vector<int>& grants) {
    if (out.overallRank == 1 && out.overallSkill > 0) grants.push_back(achievementLegendary);
    if (out.rankAfter != 1 || out.skillAfter <= 0) return;
    if (r.mode == modeNormal || r.mode == modeExpert)
        grants.push_back(achievementClassicallyTrained);
    if (r.mode == modeRush) grants.push_back(achievementButtonMasher);
    if (r.mode == modeMeditation) grants.push_back(achievementEnlightenment);
    if (r.mode == modeSurvival) grants.push_back(achievementLastManStanding);
}

// The grants that follow from the request and the level as it stood.
static void requestGrants(const ResultRecord& r, const LevelReference& levelBefore,
                          std::vector<int>& grants) {
    LevelReference before = publishedReference(levelBefore);
    if (before.spread > 0 && r.score >= before.centre + epicSpreads * before.spread) {
        grants.push_back(achievementEpic);
    }
    if (r.mode == modeRush && r.apm >= briskoApm) grants.push_back(achievementBrisko);
    if (r.mode == modeMeditation && r.score == 0) grants.push_back(achievementIntoTheVoid);
}

// `ranked`: the result counts now, so the ranks it reached can earn grants.
static std::vector<int> serverGrants(const ResultRecord& r, const ScoreOutcome& out,
                                     const AfterRows& rows, bool ranked) {
    std::vector<int> grants;
    if (ranked) rankGrants(r, out, grants);
    requestGrants(r, out.before, grants);
    if (out.playSeconds >= massAddictSeconds) grants.push_back(achievementMassAddict);
    if (endsClassicRun(r)) classicGrants(r, runFromRows(rows), grants);
    return freshGrants(rows.held, grants);
}

static std::string scoreReplyText(const ScoreOutcome& out) {
    std::string reply = "success " + std::to_string(out.bestScore) + " " +
                        referenceReplyText(out.after) + " " + std::to_string(out.rankBefore) + " " +
                        std::to_string(out.rankAfter) + " " + std::to_string(out.skillBefore) +
                        " " + std::to_string(out.skillAfter);
    for (int number : out.granted) reply += " " + std::to_string(number);
    return reply;
}

// The grants and the reply, stored with the COMMIT.
static SqlStatus finishScore(DbConnection* connection, const ResultRecord& r,
                             const ScoreOutcome& out, const std::string& reply) {
    SqlBatch last;
    addGrantStatements(r.userId, out.granted, last);
    last.push_back(replyStatement(r, reply));
    return retryConflict(sqlRunBeforeCommit(connection, last));
}

// Reads what stood before; true when the reply is already settled (a repeated
// request gets its first reply, an unknown account "fail").
static bool settledBefore(const BeforeRows& before, std::string& reply) {
    if (before.reply.empty() && !before.user.empty()) return false;
    reply = before.reply.empty() ? "fail" : before.reply[0][0];
    return true;
}

// A score in three batches: what stood before, the writes with what follows
// from them, then the grants and the stored reply. (On PostgreSQL the steps from
// the account's lock on run inside the database: applyScoreInDatabase.)
static SqlStatus applyScore(DbConnection* connection, const ResultRecord& r, std::string& reply) {
    BeforeRows before;
    SqlStatus status = readBefore(connection, r, before);
    if (status != SqlStatus::Ok || settledBefore(before, reply)) return status;
    ScoreOutcome out;
    takeBefore(r, before, out);
    AfterRows after;
    status = writeResult(connection, r, out, after);
    if (status != SqlStatus::Ok) return status;
    takeAfter(after, out);
    out.granted = serverGrants(r, out, after, true);
    reply = scoreReplyText(out);
    return finishScore(connection, r, out, reply);
}

// A score whose replay is still to come: stored with the points it earns
// against the level as it stands, counted nowhere until the replay verifies.
// The reply tells what it earns then: the best, skillpoints and rank it brings.
static SqlStatus applyPendingScore(DbConnection* connection, const ResultRecord& r,
                                   std::string& reply) {
    BeforeRows before;
    SqlStatus status = readBefore(connection, r, before);
    if (status != SqlStatus::Ok || settledBefore(before, reply)) return status;
    ScoreOutcome out;
    takeBefore(r, before, out);
    long long levelPoints =
        before.best.empty() ? 0 : std::strtoll(before.best[0][1].c_str(), nullptr, 10);
    out.skillAfter = out.skillBefore - levelPoints + out.keptPoints;
    AfterRows after;
    status = writePendingResult(connection, r, out, after);
    if (status != SqlStatus::Ok) return status;
    out.playSeconds = firstReal(after.play, 0);
    out.rankAfter = firstInteger(after.rank, 0) + 1;
    out.granted = serverGrants(r, out, after, false);
    reply = scoreReplyText(out);
    return finishScore(connection, r, out, reply);
}

static std::string sqlArrayText(const std::vector<int>& numbers) {
    std::string text = "{";
    for (int number : numbers) text += (text.size() > 1 ? "," : "") + std::to_string(number);
    return text + "}";
}

// On PostgreSQL the level's bins are read first and the reference worked out
// here; the rest of applyScore is one function in the database that goes out
// with the COMMIT, so the rows it locks are held only while the database works.
// `stored` receives the reply.
static SqlStatus applyScoreInDatabase(DbConnection* connection, const ResultRecord& r,
                                      SqlRows& stored) {
    SqlRows binRows;
    SqlStatus status = sqlRunBatch(connection, {binsStatement(r.mode, r.level, &binRows)});
    if (status != SqlStatus::Ok) return status;
    LevelReference before, after;
    referencesAround(binRows, r.score, before, after);
    std::vector<int> grants;
    requestGrants(r, before, grants);
    SqlParams params = resultParams(r, resultKindScore, resultPoints(r.score, before));
    params.push_back(sqlInt(scoreBin(r.score)));
    params.push_back(sqlInt(binStripe(r.userId)));
    params.push_back(sqlText(referenceReplyText(after)));
    params.push_back(sqlText(sqlArrayText(grants)));
    return sqlRunBeforeCommit(connection, {SqlStatement{scoreFunctionCall, params, &stored}});
}

static bool authorised(ServerContext& context, const ParsedRequest& request,
                       const std::string& address) {
    return checkPasswordHash(context, integerField(request, "userid"),
                             fieldValue(request, "passwordHash"), address);
}

std::string replyScore(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address) {
    ResultRecord r;
    if (!readResult(request, plainRequest, r)) return "fail";
    if (r.performance < minPerformance || r.performance > maxPerformance) return "fail";
    if (!authorised(context, request, address)) return "fail";
    std::string reply;
    SqlRows stored;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        if (!context.countUnverifiedResults) return applyPendingScore(connection, r, reply);
        if (backendOf(connection) == Backend::Postgres)
            return applyScoreInDatabase(connection, r, stored);
        return applyScore(connection, r, reply);
    });
    if (!stored.empty() && !stored[0].empty()) reply = stored[0][0];
    return status == SqlStatus::Ok ? reply : "fail";
}

// A stored result waiting for its replay, as counting it needs it.
static bool readPendingResult(DbConnection* connection, long long resultId, ResultRecord& r,
                              long long& points, SqlStatus& status) {
    SqlRows rows;
    status = sqlExec(connection,
                     "SELECT user_id, mode, level, score, points FROM results WHERE id = $1 AND"
                     " kind = $2 AND counted = 0",
                     {sqlInt(resultId), sqlInt(resultKindScore)}, &rows);
    if (status != SqlStatus::Ok || rows.empty()) return false;
    r.userId = std::strtoll(rows[0][0].c_str(), nullptr, 10);
    r.mode = std::atoi(rows[0][1].c_str());
    r.level = std::atoi(rows[0][2].c_str());
    r.score = std::strtoll(rows[0][3].c_str(), nullptr, 10);
    points = std::strtoll(rows[0][4].c_str(), nullptr, 10);
    return true;
}

// The account's best and its points on the result's level now count the
// result; the histogram holds each account's best score of the level once,
// so only a new best moves it (out of the old best's bin into its own).
static void addCountingStatements(const ResultRecord& r, long long points, const SqlRows& best,
                                  SqlBatch& batch) {
    bool exists = !best.empty();
    long long oldBest = exists ? std::strtoll(best[0][0].c_str(), nullptr, 10) : 0;
    long long oldPoints = exists ? std::strtoll(best[0][1].c_str(), nullptr, 10) : 0;
    if (!exists || r.score > oldBest) {
        if (exists) batch.push_back(binStatement(r, scoreBin(oldBest), -1));
        batch.push_back(binStatement(r, scoreBin(r.score), 1));
    }
    batch.push_back(SqlStatement{bestUpsertSql,
                                 {sqlInt(r.userId), sqlInt(r.mode), sqlInt(r.level),
                                  sqlInt(exists ? std::max(oldBest, r.score) : r.score),
                                  sqlInt(std::max(oldPoints, points))},
                                 nullptr});
    addSkillSums(r.userId, r.mode, batch);
}

SqlStatus countVerifiedResult(DbConnection* connection, long long resultId) {
    ResultRecord r;
    long long points = 0;
    SqlStatus status = SqlStatus::Ok;
    if (!readPendingResult(connection, resultId, r, points, status)) return status;
    SqlRows user, best;
    status = sqlRunBatch(
        connection, {userStatement(connection, r.userId, true, &user), bestStatement(r, &best)});
    if (status != SqlStatus::Ok || user.empty()) return status;
    SqlBatch batch;
    addCountingStatements(r, points, best, batch);
    batch.push_back(
        SqlStatement{"UPDATE results SET counted = 1 WHERE id = $1", {sqlInt(resultId)}, nullptr});
    AfterRows after;
    addStandingReads(r.userId, r.mode, after, batch);
    status = sqlRunBatch(connection, batch);
    if (status != SqlStatus::Ok) return status;
    ScoreOutcome out;
    takeStanding(after, out);
    std::vector<int> grants;
    rankGrants(r, out, grants);
    SqlBatch inserts;
    addGrantStatements(r.userId, freshGrants(after.held, grants), inserts);
    return retryConflict(sqlRunBatch(connection, inserts));
}

static SqlStatus applyDeath(DbConnection* connection, const ResultRecord& r, std::string& reply) {
    SqlRows stored, user;
    SqlStatus status = sqlRunBatch(
        connection,
        {SqlStatement{"SELECT reply FROM results WHERE digest = $1", {sqlText(r.digest)}, &stored},
         userStatement(connection, r.userId, true, &user)});
    if (status != SqlStatus::Ok) return status;
    if (!stored.empty() || user.empty()) {
        reply = stored.empty() ? "fail" : stored[0][0];
        return SqlStatus::Ok;
    }
    reply = "success";
    SqlBatch batch = {resultInsert(r, resultKindDeath), replyStatement(r, reply)};
    // A Survival or Meditation game ends in a death and a score for the same
    // play: the score counts its time.
    bool scoreFollows = r.mode == modeSurvival || r.mode == modeMeditation;
    if (!scoreFollows) batch.push_back(playTimeStatement(r));
    return retryConflict(sqlRunBeforeCommit(connection, batch));
}

std::string replyDeath(ServerContext& context, const ParsedRequest& request,
                       const std::string& plainRequest, const std::string& address) {
    ResultRecord r;
    if (!readResult(request, plainRequest, r)) return "fail";
    if (!authorised(context, request, address)) return "fail";
    std::string reply;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return applyDeath(connection, r, reply);
    });
    return status == SqlStatus::Ok ? reply : "fail";
}
