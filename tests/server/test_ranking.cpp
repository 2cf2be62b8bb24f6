// Ranking pages from the per-bucket player counts the database keeps: every
// offset gives the same rows and ranks as counting every player above.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "server/ranking.h"
#include "server/scores.h"
#include "server/storage.h"
#include "tests/server/server_harness.h"

namespace {

const int category = 2;
const int playerCount = 260;

struct Player {
    long long id;
    long long points;
};

class Ranking : public ::testing::TestWithParam<TestBackend> {
  protected:
    Database* database = nullptr;
    std::vector<Player> players;

    void SetUp() override {
        std::string url = freshDatabaseUrl(GetParam());
        ASSERT_FALSE(url.empty());
        std::string error;
        database = openDatabase(url, 2, error);
        ASSERT_NE(database, nullptr) << error;
    }
    void TearDown() override { closeDatabase(database); }

    void exec(const std::string& sql, const SqlParams& params) {
        ASSERT_EQ(inWriteTransaction(
                      database,
                      [&](DbConnection* connection) { return sqlExec(connection, sql, params); }),
                  SqlStatus::Ok)
            << sql;
    }
    // Sets a player's skillpoints the way a score does: insert, or update in place.
    void setPoints(long long id, long long points) {
        exec(
            "INSERT INTO skills (user_id, category, points) VALUES ($1, $2, $3)"
            " ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points",
            {sqlInt(id), sqlInt(category), sqlInt(points)});
    }
    // The whole ranking, counted the slow and obvious way.
    std::vector<RankingRow> expected() const {
        std::vector<Player> order = players;
        std::sort(order.begin(), order.end(), [](const Player& a, const Player& b) {
            return a.points != b.points ? a.points > b.points : a.id < b.id;
        });
        std::vector<RankingRow> rows;
        for (const Player& player : order) {
            long long above = std::count_if(players.begin(), players.end(), [&](const Player& p) {
                return p.points > player.points;
            });
            rows.push_back(
                RankingRow{above + 1, "P" + std::to_string(player.id), player.points, player.id});
        }
        return rows;
    }
    void expectPagesMatch() {
        std::vector<RankingRow> all = expected();
        for (long long offset : {0LL, 1LL, 37LL, 99LL, 100LL, 181LL, 255LL, 259LL, 260LL, 400LL}) {
            std::vector<RankingRow> page;
            ASSERT_TRUE(rankingPage(database, category, offset, 10, page));
            size_t want = offset < playerCount ? std::min<size_t>(10, playerCount - offset) : 0;
            ASSERT_EQ(page.size(), want) << "offset " << offset;
            for (size_t i = 0; i < page.size(); ++i) {
                const RankingRow& truth = all[offset + i];
                EXPECT_EQ(page[i].userId, truth.userId) << "offset " << offset << " row " << i;
                EXPECT_EQ(page[i].rank, truth.rank) << "offset " << offset << " row " << i;
                EXPECT_EQ(page[i].skillpoints, truth.skillpoints);
                EXPECT_EQ(page[i].name, truth.name);
            }
        }
    }
};

}  // namespace

TEST_P(Ranking, EveryOffsetMatchesCountingEveryoneAbove) {
    std::mt19937 random(7);
    for (long long id = 1; id <= playerCount; ++id) {
        exec(
            "INSERT INTO users (id, name, name_key, email, password_hash, password_blob, created)"
            " VALUES ($1, $2, $2, 'x@example.com', 'h', '', 0)",
            {sqlInt(id), sqlText("P" + std::to_string(id))});
        // Many ties, values on both sides of bucket edges, a crowd at 500.
        long long points = id % 5 == 0 ? 500 : static_cast<long long>(random() % 1200);
        players.push_back(Player{id, points});
        setPoints(id, points);
    }
    expectPagesMatch();
    // Players move: within a bucket, across buckets, to the top and to zero.
    for (int i = 0; i < 80; ++i) {
        Player& player = players[random() % players.size()];
        player.points = i % 10 == 0 ? 5000 : static_cast<long long>(random() % 1300);
        setPoints(player.id, player.points);
    }
    expectPagesMatch();
}

INSTANTIATE_ON_BOTH_BACKENDS(Ranking);
