// Ranks and ranking pages read through the skill bands, the verified and
// pending points beside them, and world_ranking_staggered.php.
#include "server/ranking.h"

#include <cstdlib>

#include "server/score_function.h"

const int rankingPageRows = 100;

static const int overallCategory = 0;
static const int lastMode = 6;

static long long integerOf(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

// Rank = 1 + players above `points` (an SQL expression), read with $1 = category.
static std::string rankSql(const std::string& points) {
    return "SELECT " + playersAboveSql("$1", points);
}

SqlStatement rankOfPointsStatement(int category, long long points, SqlRows* rows) {
    return SqlStatement{rankSql("CAST($2 AS BIGINT)"), {sqlInt(category), sqlInt(points)}, rows};
}

SqlStatus rankOf(DbConnection* connection, int category, long long points, long long& rank) {
    SqlRows rows;
    SqlStatus status = sqlRunBatch(connection, {rankOfPointsStatement(category, points, &rows)});
    rank = firstInteger(rows, 0) + 1;
    return status;
}

SqlStatement storedRankStatement(int category, long long userId, SqlRows* rows) {
    return SqlStatement{
        rankSql("COALESCE((SELECT points FROM skills WHERE user_id = $2 AND category = $1), 0)"),
        {sqlInt(category), sqlInt(userId)},
        rows};
}

// The bucket that holds position `offset` (0 = the best player) and the players above it.
static bool findBucket(DbConnection* connection, int category, long long offset, long long& bucket,
                       long long& above) {
    SqlRows rows;
    sqlExec(connection,
            "SELECT bucket, SUM(players) FROM skill_buckets WHERE category = $1 GROUP BY bucket"
            " HAVING SUM(players) > 0 ORDER BY bucket DESC",
            {sqlInt(category)}, &rows);
    above = 0;
    for (const SqlRow& row : rows) {
        long long players = std::strtoll(row[1].c_str(), nullptr, 10);
        if (above + players > offset) {
            bucket = std::strtoll(row[0].c_str(), nullptr, 10);
            return true;
        }
        above += players;
    }
    return false;
}

bool rankingPage(Database* database, int category, long long offset, int limit,
                 std::vector<RankingRow>& rows) {
    rows.clear();
    ConnectionLease lease(database);
    long long bucket = 0, above = 0;
    if (!findBucket(lease.connection, category, offset, bucket, above)) return true;
    const std::string sql =
        "SELECT s.points, u.name, s.user_id FROM skills s JOIN users u ON u.id = s.user_id"
        " WHERE s.category = $1 AND s.points < $2 ORDER BY s.points DESC, s.user_id ASC"
        " LIMIT $3 OFFSET $4";
    SqlRows found;
    if (sqlExec(lease.connection, sql,
                {sqlInt(category), sqlInt((bucket + 1) * skillBandPoints), sqlInt(limit),
                 sqlInt(offset - above)},
                &found) != SqlStatus::Ok) {
        return false;
    }
    long long firstRank = 0;
    if (!found.empty() &&
        rankOf(lease.connection, category, std::strtoll(found[0][0].c_str(), nullptr, 10),
               firstRank) != SqlStatus::Ok) {
        return false;
    }
    rows = rankedRows(found, offset, firstRank);
    return true;
}

std::vector<RankingRow> rankedRows(const SqlRows& found, long long offset, long long firstRank) {
    std::vector<RankingRow> rows;
    long long rank = firstRank, previous = -1;
    for (size_t i = 0; i < found.size(); ++i) {
        long long points = std::strtoll(found[i][0].c_str(), nullptr, 10);
        // Equal skillpoints share a rank; a lower value is ranked by its place.
        if (i > 0 && points != previous) rank = offset + static_cast<long long>(i) + 1;
        previous = points;
        rows.push_back(
            RankingRow{rank, found[i][1], points, std::strtoll(found[i][2].c_str(), nullptr, 10)});
    }
    return rows;
}

std::string replyRanking(ServerContext& context, const ParsedRequest& request) {
    long long category = integerOf(fieldValue(request, "gamemode"));
    long long offset = integerOf(fieldValue(request, "offset"));
    if (category < overallCategory || category > lastMode || offset < 0) return "fail";
    std::vector<RankingRow> rows;
    if (!rankingPage(context.database, static_cast<int>(category), offset, rankingPageRows, rows)) {
        return "fail";
    }
    std::string digit = std::to_string(category);
    if (rows.empty()) return digit + " EOF\r\n";
    std::string reply = digit + " ROWS " + std::to_string(rows.size()) + "\r\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const RankingRow& row = rows[i];
        reply += std::to_string(row.rank) + "," + row.name + "," + digit + "," +
                 std::to_string(row.skillpoints) + "," + std::to_string(row.userId) + "," +
                 std::to_string(offset + static_cast<long long>(i) + 1) + "\r\n";
    }
    return reply;
}

std::vector<long long> verifiedPointsOf(Database* database, int category,
                                        const std::vector<RankingRow>& rows) {
    std::vector<long long> points(rows.size(), 0);
    ConnectionLease lease(database);
    for (size_t i = 0; i < rows.size(); ++i) {
        SqlRows found;
        sqlExec(lease.connection,
                "SELECT points FROM verified_skills WHERE user_id = $1 AND category = $2",
                {sqlInt(rows[i].userId), sqlInt(category)}, &found);
        points[i] = firstInteger(found, 0);
    }
    return points;
}

// The pending gain of one account: per level, what its best waiting result
// earns above the points the level already counts.
static long long pendingGain(DbConnection* connection, int category, long long userId) {
    SqlRows rows;
    sqlExec(connection,
            "SELECT COALESCE(SUM(CASE WHEN w.points > COALESCE(b.points, 0) THEN w.points -"
            " COALESCE(b.points, 0) ELSE 0 END), 0) FROM (SELECT mode, level, MAX(points) AS"
            " points FROM replays WHERE user_id = $1 AND state IN ('pending', 'checking') AND"
            " ($2 = 0 OR mode = $2) GROUP BY mode, level) w LEFT JOIN bests b ON b.user_id = $1"
            " AND b.mode = w.mode AND b.level = w.level",
            {sqlInt(userId), sqlInt(category)}, &rows);
    return firstInteger(rows, 0);
}

std::vector<long long> pendingPointsOf(Database* database, int category,
                                       const std::vector<RankingRow>& rows) {
    std::vector<long long> points(rows.size(), 0);
    ConnectionLease lease(database);
    for (size_t i = 0; i < rows.size(); ++i)
        points[i] = pendingGain(lease.connection, category, rows[i].userId);
    return points;
}
