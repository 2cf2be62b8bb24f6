// Every endpoint through the real encryption against a server on a loopback
// port, on SQLite and on PostgreSQL: reply grammars and the state behind them.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "protocol/encodings.h"
#include "server/admin.h"
#include "server/storage.h"
#include "tests/server/server_harness.h"

namespace {

class EndToEnd : public ProxiedServerTest {
  protected:
    std::string send(const std::string& request) { return sendRequest(server, request); }
    std::vector<std::string> tokens(const std::string& request) {
        return splitAtSpaces(send(request));
    }
    long long countRows(const std::string& sql) {
        ConnectionLease lease(server.context.database);
        SqlRows rows;
        EXPECT_EQ(sqlExec(lease.connection, sql, {}, &rows), SqlStatus::Ok) << sql;
        return firstInteger(rows, -1);
    }
    std::string syncRequest(long long userId, const std::string& password) {
        return "sync_cheeves.php?userid=" + std::to_string(userId) +
               "&passwordHash=" + md5Hex(password);
    }
    std::string cheeveRequest(long long userId, const std::string& password,
                              const std::string& key) {
        return "client_cheeve.php?userid=" + std::to_string(userId) +
               "&passwordHash=" + md5Hex(password) + "&cheeve=" + key;
    }
    std::string highscoreRequest(long long userId, int mode, int level) {
        return "highscore.php?gamemode=" + std::to_string(mode) +
               "&level=" + std::to_string(level) + "&username=x&userid=" + std::to_string(userId);
    }
};

// Achievement numbers granted in a score reply (tokens from 8 on).
std::vector<int> grantedIn(const std::vector<std::string>& reply) {
    std::vector<int> numbers;
    for (size_t i = 8; i < reply.size(); ++i) numbers.push_back(std::atoi(reply[i].c_str()));
    return numbers;
}

// RSA-SHA256 with the server's public key, as the game checks a patch.
bool signatureVerifies(const std::string& bytes, const std::string& signature) {
    BIO* bio = BIO_new_mem_buf(serverPublicKey.data(), static_cast<int>(serverPublicKey.size()));
    EVP_PKEY* key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok =
        key != nullptr && EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
        EVP_DigestVerify(context, reinterpret_cast<const unsigned char*>(signature.data()),
                         signature.size(), reinterpret_cast<const unsigned char*>(bytes.data()),
                         bytes.size()) == 1;
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(key);
    return ok;
}

bool contains(const std::vector<int>& numbers, int number) {
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

}  // namespace

TEST_P(EndToEnd, WhichServerNamesTheSecureEndpoint) {
    EXPECT_EQ(send("which_server.php"),
              "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=");
}

TEST_P(EndToEnd, RegistrationCheckNameAndLogin) {
    EXPECT_EQ(send("checkname.php?username=Player One"), "available");
    std::vector<std::string> reg = tokens(registerRequest("Player One", "pass word&x=1"));
    ASSERT_EQ(reg.size(), 2u);
    EXPECT_EQ(reg[0], "success");
    // The blob opens with the public key to the password.
    EXPECT_EQ(rsaDecryptChunks(base64Decode(reg[1]), serverPublicKey), "pass word&x=1");
    // Only the blob's ingredients are kept: the login makes it again.
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM users WHERE password_blob <> ''"), 0);
    EXPECT_EQ(send("checkname.php?username=PLAYER one"), "unavailable");
    EXPECT_EQ(send(registerRequest("player ONE", "other")), "error");

    std::vector<std::string> login = tokens(loginRequest("player one", "pass word&x=1"));
    ASSERT_EQ(login.size(), 6u);
    EXPECT_EQ(login[0], "success");
    EXPECT_GT(std::atoll(login[1].c_str()), 0);
    EXPECT_EQ(login[2].size(), 32u);
    EXPECT_EQ(login[3], reg[1]);
    EXPECT_EQ(login[5], "0");
    EXPECT_EQ(send(loginRequest("Player One", "wrong")), "fail");
    EXPECT_EQ(send(loginRequest("Nobody Here", "pass")), "fail");
}

TEST_P(EndToEnd, NamesOutsideTheRulesAreErrors) {
    EXPECT_EQ(send("checkname.php?username=abc"), "error");
    EXPECT_EQ(send("checkname.php?username=a,b,c,d"), "error");
    EXPECT_EQ(send(registerRequest("Bob'); DROP TABLE users;--", "secret")), "error");
    // The key order still finds the real digest; the name itself is refused.
    EXPECT_EQ(send(registerRequest("Eve&passwordHash=0", "secret")), "error");
    EXPECT_EQ(send(registerRequest("Valid Name", "abc")), "error");  // password too short
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM users"), 0);
}

// Names and passwords at each end of their lengths, and one past, through
// the whole server.
TEST_P(EndToEnd, NamesAndPasswordsAtTheirLengthLimits) {
    const struct {
        std::string name, password;
        bool taken;
    } cases[] = {
        {"abc", "secret", false},
        {"abcd", "secret", true},
        {std::string(24, 'n'), "secret", true},
        {std::string(25, 'm'), "secret", false},
        {"Three Pass", "abc", false},
        {"Four Pass", "abcd", true},
        {"Long Pass", std::string(64, 'p'), true},
        {"Longer Pass", std::string(65, 'p'), false},
    };
    for (const auto& c : cases) {
        std::string reply = send(registerRequest(c.name, c.password));
        EXPECT_EQ(reply.rfind("success", 0) == 0, c.taken)
            << c.name.size() << " " << c.password.size() << ": " << reply;
    }
}

TEST_P(EndToEnd, LogoutEndsTheSession) {
    ASSERT_EQ(send(registerRequest("Leaving Player", "secret")).compare(0, 7, "success"), 0);
    std::vector<std::string> login = tokens(loginRequest("Leaving Player", "secret"));
    ASSERT_EQ(login.size(), 6u);
    long long id = std::atoll(login[1].c_str());
    TestResult first, second;
    second.level = 2;
    EXPECT_EQ(tokens(scoreRequest(id, "secret", first))[0], "success");
    std::string logout = "logout.php?beta2=1&userid=" + login[1] + "&playhash=" + login[2];
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM sessions"), 1);
    EXPECT_EQ(send(logout), "success");
    EXPECT_EQ(send(logout), "fail");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM sessions"), 0);
    // What the ended session's requests carried opens nothing now.
    EXPECT_EQ(send(scoreRequest(id, "secret", second)), "fail");
    EXPECT_EQ(send(deathRequest(id, "secret", second)), "fail");
    EXPECT_EQ(send(syncRequest(id, "secret")), "fail");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM results"), 1);
    // A new login opens them again.
    ASSERT_EQ(tokens(loginRequest("Leaving Player", "secret"))[0], "success");
    EXPECT_EQ(tokens(scoreRequest(id, "secret", second))[0], "success");
}

// A session that ended by time opens nothing, and the next login sweeps it
// out; one inside the idle time counts.
TEST_P(EndToEnd, ASessionPastTheIdleTimeOpensNothingAndIsSwept) {
    ASSERT_EQ(send(registerRequest("Idle Scorer", "secret")).compare(0, 7, "success"), 0);
    std::vector<std::string> login = tokens(loginRequest("Idle Scorer", "secret"));
    ASSERT_EQ(login.size(), 6u);
    long long id = std::atoll(login[1].c_str());
    long long edge = nowSeconds() - server.context.sessionIdleSeconds;
    countRows("UPDATE sessions SET created = " + std::to_string(edge - 1) + " RETURNING 1");
    TestResult result;
    EXPECT_EQ(send(scoreRequest(id, "secret", result)), "fail");
    EXPECT_EQ(send("logout.php?beta2=1&userid=" + login[1] + "&playhash=" + login[2]), "fail");
    ASSERT_EQ(tokens(loginRequest("Idle Scorer", "secret"))[0], "success");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM sessions"), 1);
    countRows("UPDATE sessions SET created = " + std::to_string(edge + 60) + " RETURNING 1");
    EXPECT_EQ(tokens(scoreRequest(id, "secret", result))[0], "success");
}

// The registration's COMMIT went through but its answer was lost: the
// transaction runs again, finds the account its first run made, and answers
// success (not "name taken") for the one account there is.
TEST_P(EndToEnd, ARegistrationWhoseCommitAnswerWasLostSucceeds) {
    loseNextCommitAnswer();
    std::vector<std::string> reply = tokens(registerRequest("Lost Answer", "secret"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], "success");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM users"), 1);
    EXPECT_EQ(tokens(loginRequest("Lost Answer", "secret"))[0], "success");
    // A later registration of the same name is refused as ever.
    EXPECT_EQ(send(registerRequest("lost answer", "other")), "error");
}

TEST_P(EndToEnd, HighscoreAndScoreMoveRanksAndSkillpoints) {
    long long ann = registerAndLogin(server, "Ann Player", "annpass");
    long long ben = registerAndLogin(server, "Ben Player", "benpass");
    EXPECT_EQ(send(highscoreRequest(ann, 2, 1)), "success 0 0 0 1");

    TestResult result;
    result.score = 5000;
    std::vector<std::string> first = tokens(scoreRequest(ann, "annpass", result));
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[0], "success");
    EXPECT_EQ(first[1], "5000");
    EXPECT_EQ(first[5], "1");  // rank after
    EXPECT_EQ(first[6], "0");  // skill before
    EXPECT_GT(std::atoll(first[7].c_str()), 0);
    EXPECT_EQ(send(highscoreRequest(ann, 2, 1)), "success 5000 0 0 1");

    result.score = 9000;
    result.session = "20240101120500def";
    std::vector<std::string> second = tokens(scoreRequest(ben, "benpass", result));
    ASSERT_GE(second.size(), 8u);
    EXPECT_EQ(second[5], "1");
    EXPECT_GT(std::atoll(second[7].c_str()), std::atoll(first[7].c_str()));
    // Ann has been pushed to second place.
    EXPECT_EQ(tokens(highscoreRequest(ann, 2, 1)).back(), "2");
}

TEST_P(EndToEnd, ReferenceAndSpreadAppearAfterThreeResults) {
    long long id = registerAndLogin(server, "Steady Player", "steady");
    TestResult result;
    long long scores[] = {1000, 2000, 3000};
    for (int i = 0; i < 3; ++i) {
        result.score = scores[i];
        result.session = "run" + std::to_string(i);
        ASSERT_NE(send(scoreRequest(id, "steady", result)), "fail");
    }
    std::vector<std::string> reply = tokens(highscoreRequest(id, 2, 1));
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[1], "3000");
    // The median and (Q3 - Q1) / 1.349, from bins 2 % wide.
    EXPECT_NEAR(std::atoll(reply[2].c_str()), 2000, 2000 * 0.02);
    EXPECT_NEAR(std::atoll(reply[3].c_str()), 1000 / 1.349, 1000 / 1.349 * 0.04);
}

TEST_P(EndToEnd, ReplayedSubmissionsAreStoredOnce) {
    long long id = registerAndLogin(server, "Replay Player", "replay");
    TestResult result;
    std::string first = send(scoreRequest(id, "replay", result));
    std::string again = send(scoreRequest(id, "replay", result));
    EXPECT_EQ(first, again);
    EXPECT_EQ(send(deathRequest(id, "replay", result)), "success");
    EXPECT_EQ(send(deathRequest(id, "replay", result)), "success");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM results WHERE kind = 1"), 1);
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM results WHERE kind = 2"), 1);
    EXPECT_EQ(countRows("SELECT SUM(results) FROM score_bins"), 1);
}

TEST_P(EndToEnd, WrongPasswordDigestStoresNothing) {
    long long id = registerAndLogin(server, "Honest Player", "honest");
    TestResult result;
    EXPECT_EQ(send(scoreRequest(id, "not it", result)), "fail");
    EXPECT_EQ(send(deathRequest(id, "not it", result)), "fail");
    EXPECT_EQ(send(syncRequest(id, "not it")), "fail");
    EXPECT_EQ(send(cheeveRequest(id, "not it", "chainreaction")), "fail");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM results"), 0);
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM achievements"), 0);
}

TEST_P(EndToEnd, ClientAchievementsAreGrantedAndSynced) {
    long long id = registerAndLogin(server, "Cheeve Player", "cheeve");
    std::vector<std::string> none = tokens(syncRequest(id, "cheeve"));
    ASSERT_EQ(none.size(), 27u);
    EXPECT_EQ(std::count(none.begin(), none.end(), "0"), 27);
    EXPECT_EQ(send(cheeveRequest(id, "cheeve", "chainreaction")), "2");
    EXPECT_EQ(send(cheeveRequest(id, "cheeve", "lastmanstanding")),
              "fail");  // the server judges it
    EXPECT_EQ(send(cheeveRequest(id, "cheeve", "nosuchthing")), "fail");
    std::vector<std::string> synced = tokens(syncRequest(id, "cheeve"));
    ASSERT_EQ(synced.size(), 27u);
    EXPECT_EQ(synced[1], "2");
    EXPECT_EQ(std::count(synced.begin(), synced.end(), "0"), 26);
}

TEST_P(EndToEnd, LastAchievementBringsZentrix) {
    long long id = registerAndLogin(server, "Collector", "collect");
    {
        ConnectionLease lease(server.context.database);
        for (int number = 1; number <= 27; ++number) {
            if (number == 6 || number == 26) continue;
            ASSERT_EQ(
                sqlExec(lease.connection,
                        "INSERT INTO achievements (user_id, number, granted) VALUES ($1, $2, 0)",
                        {sqlInt(id), sqlInt(number)}),
                SqlStatus::Ok);
        }
    }
    EXPECT_EQ(send(cheeveRequest(id, "collect", "youvegotredonyou")), "26 6");
}

// A Classic run earns its achievements at level 10 with all ten levels of one
// session scored; nine of them, even ending at 10, earn nothing for the run.
// Rank 1 grants Legendary overall and, in Survival, the table's last achievement.
TEST_P(EndToEnd, ScoresGrantRankAndRunAchievements) {
    long long id = registerAndLogin(server, "Classic Player", "classic");
    TestResult result;
    result.mode = 1;
    result.rotates = 0;
    auto run = [&](const std::string& session, int firstLevel) {
        result.session = session;
        std::vector<int> granted;
        for (int level = firstLevel; level <= 10; ++level) {
            result.level = level;
            std::vector<std::string> reply = tokens(scoreRequest(id, "classic", result));
            EXPECT_GE(reply.size(), 8u) << "level " << level;
            std::vector<int> now = grantedIn(reply);
            EXPECT_TRUE(level == 10 || !contains(now, 8)) << "level " << level;
            granted.insert(granted.end(), now.begin(), now.end());
        }
        return granted;
    };
    std::vector<int> nineLevels = run("20240101120000nine", 2);
    EXPECT_TRUE(contains(nineLevels, 5)) << "rank 1 overall: legendary";
    EXPECT_FALSE(contains(nineLevels, 8)) << "level 1 was not played";
    std::vector<int> tenLevels = run("20240101130000run", 1);
    EXPECT_TRUE(contains(tenLevels, 8));    // classic completed on casual
    EXPECT_FALSE(contains(tenLevels, 13));  // hold still needs normal or higher
    result.mode = 5;
    result.level = 2;
    result.session = "20240101140000survival";
    EXPECT_TRUE(contains(grantedIn(tokens(scoreRequest(id, "classic", result))), 27));
    std::vector<std::string> synced = tokens(syncRequest(id, "classic"));
    ASSERT_EQ(synced.size(), 27u);
    EXPECT_EQ(synced[7], "8");
    EXPECT_EQ(synced[4], "5");
}

TEST_P(EndToEnd, RankingPagesEndWithEof) {
    long long ann = registerAndLogin(server, "Rank Ann", "annpass");
    long long ben = registerAndLogin(server, "Rank Ben", "benpass");
    TestResult result;
    result.score = 3000;
    ASSERT_NE(send(scoreRequest(ann, "annpass", result)), "fail");
    result.score = 8000;
    ASSERT_NE(send(scoreRequest(ben, "benpass", result)), "fail");

    std::string page = send("world_ranking_staggered.php?gamemode=2&offset=0");
    ASSERT_EQ(page.compare(0, 10, "2 ROWS 2\r\n"), 0) << page;
    EXPECT_EQ(page.substr(7, page.find("\r\n") - 7), "2");
    std::string rows = page.substr(page.find("\r\n") + 2);
    std::string firstRow = rows.substr(0, rows.find("\r\n"));
    EXPECT_EQ(std::count(firstRow.begin(), firstRow.end(), ','), 5);
    EXPECT_NE(firstRow.find(",Rank Ben,2,"), std::string::npos) << firstRow;
    EXPECT_NE(firstRow.find("," + std::to_string(ben) + ","), std::string::npos);
    EXPECT_EQ(rows.size() >= 2 ? rows.substr(rows.size() - 2) : "", "\r\n");
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=2&offset=2").substr(0, 5), "2 EOF");
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=5&offset=0").substr(0, 5), "5 EOF");
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=0&offset=0").substr(0, 8), "0 ROWS 2");
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=7&offset=0"), "fail");
}

TEST_P(EndToEnd, NewsSwitchAndText) {
    ASSERT_EQ(send(registerRequest("News Reader", "reader")).compare(0, 7, "success"), 0);
    EXPECT_EQ(tokens(loginRequest("News Reader", "reader")).back(), "0");
    ASSERT_TRUE(setNews(server.context.database, "Season two starts today!"));
    EXPECT_EQ(tokens(loginRequest("News Reader", "reader")).back(), "1");
    EXPECT_EQ(send("news.php"), "Season two starts today!");
}

TEST_P(EndToEnd, OlderClientsAreOfferedThePatch) {
    ASSERT_EQ(send(registerRequest("Old Client", "oldpass")).compare(0, 7, "success"), 0);
    std::string file = server.patchDir + "/source-zentrix-1.1.bin";
    std::string bytes = "patch bytes \x01\x02 and more";
    std::ofstream(file, std::ios::binary) << bytes;
    std::string error;
    ASSERT_TRUE(publishPatch(server.context.database, server.context.key, file, false, "1.1",
                             server.patchDir + "/pub", error))
        << error;
    server.context.patchDir = server.patchDir + "/pub";

    std::vector<std::string> offer =
        tokens(loginRequest("Old Client", "oldpass", "Version 1.0.0.0"));
    ASSERT_EQ(offer.size(), 4u);
    EXPECT_EQ(offer[0], "update");
    EXPECT_EQ(offer[1], "patches/source-zentrix-1.1.bin");
    EXPECT_EQ(offer[2], std::to_string(bytes.size()));
    EXPECT_EQ(offer[3], md5Hex(bytes));
    EXPECT_EQ(md5Hex(send(offer[1])), offer[3]);
    EXPECT_EQ(tokens(loginRequest("Old Client", "oldpass", "Version 1.1.0.0"))[0], "success");
    EXPECT_EQ(send(loginRequest("Old Client", "wrong", "Version 1.0.0.0")), "fail");

    std::string next = server.patchDir + "/zentrix-1.2.bin";
    std::ofstream(next, std::ios::binary) << "the next patch";
    ASSERT_TRUE(publishPatch(server.context.database, server.context.key, next, true, "1.2",
                             server.context.patchDir, error))
        << error;
    EXPECT_EQ(tokens(loginRequest("Old Client", "oldpass", "Version 1.1.0.0"))[0], "update_exe");
}

TEST_P(EndToEnd, PatchesAreSignedAndOnlyPublishedFilesAreServed) {
    std::string file = server.patchDir + "/zentrix-2.0.bin";
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    std::ofstream(file, std::ios::binary) << bytes;
    std::string folder = server.patchDir + "/pub", error;
    server.context.patchDir = folder;
    ASSERT_TRUE(publishPatch(server.context.database, server.context.key, file, false, "2.0",
                             folder, error))
        << error;
    EXPECT_FALSE(publishPatch(server.context.database, server.context.key, file, false, "2.1",
                              folder, error));  // a published name is never rewritten
    EXPECT_EQ(send("patches/zentrix-2.0.bin"), bytes);
    EXPECT_EQ(getPath(server, "/patches/zentrix-2.0.bin"), bytes);
    EXPECT_TRUE(signatureVerifies(bytes, send("patches/zentrix-2.0.bin.sig")));
    EXPECT_FALSE(signatureVerifies(bytes + "x", send("patches/zentrix-2.0.bin.sig")));
    // Only the file and its signature are left in the folder, and nothing else there is served.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2);
    std::ofstream(folder + "/private.db") << "not a patch";
    EXPECT_EQ(send("patches/private.db"), "fail");
    EXPECT_EQ(getPath(server, "/patches/private.db"), "<status 404>");
}

TEST_P(EndToEnd, BadInputIsRefusedAndTheServerCarriesOn) {
    long long id = registerAndLogin(server, "Survivor", "survive");
    std::string good = makeSecureUrl("news.php");
    std::string data = good.substr(good.find("data=") + 5);
    EXPECT_EQ(getPath(server, "/secure.php?data=" + data.substr(0, data.size() / 2)), "fail");
    EXPECT_EQ(getPath(server, "/secure.php?data=not*base64!"), "fail");
    EXPECT_EQ(getPath(server, "/secure.php?data=" + std::string(172, 'A')), "fail");
    EXPECT_EQ(getPath(server, "/secure.php"), "fail");
    EXPECT_EQ(send("unknown.php?x=1"), "fail");
    EXPECT_EQ(send("login.php"), "fail");
    EXPECT_EQ(send("score.php?gamemode=2&level=1"), "fail");
    EXPECT_EQ(send("highscore.php?gamemode=2&level=1&username=x&userid=1 OR 1=1"), "fail");
    EXPECT_EQ(send("checkname.php?username=x' OR '1'='1"), "error");
    EXPECT_EQ(send("patches/../../etc/passwd"), "fail");
    // Well-formed blocks under another key.
    std::string folder = server.patchDir + "/otherkey", error;
    ASSERT_TRUE(generateKeyPair(folder, false, error)) << error;
    std::string foreign =
        rsaEncryptChunks("which_server.php", readWholeFile(folder + "/server_public.pem"));
    EXPECT_EQ(getPath(server, "/secure.php?data=" + makeUrlSafe(removeCrLf(base64Encode(foreign)))),
              "fail");
    std::string huge = getPath(server, "/secure.php?data=" + std::string(1 << 20, 'A'));
    EXPECT_NE(huge.substr(0, 7), "success");
    // Everything is still there and answering.
    EXPECT_EQ(send("checkname.php?username=Survivor"), "unavailable");
    EXPECT_EQ(tokens(syncRequest(id, "survive")).size(), 27u);
}

TEST_P(EndToEnd, ConcurrentRegistrationsOfOneNameHaveOneWinner) {
    const int racers = 4;
    std::vector<std::string> replies(racers);
    std::vector<std::thread> threads;
    for (int i = 0; i < racers; ++i) {
        std::string name = i % 2 ? "Racing Name" : "RACING name";
        threads.emplace_back(
            [&, i, name] { replies[i] = send(registerRequest(name, "pass" + std::to_string(i))); });
    }
    for (std::thread& thread : threads) thread.join();
    int winners = 0;
    for (const std::string& reply : replies) {
        if (reply.compare(0, 8, "success ") == 0) {
            ++winners;
        } else {
            EXPECT_EQ(reply, "error");
        }
    }
    EXPECT_EQ(winners, 1);
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM users"), 1);
}

TEST_P(EndToEnd, WebPagesShowTheRanking) {
    EXPECT_EQ(send(registerRequest("Web <Star>", "webstar")), "error");
    long long id = registerAndLogin(server, "Web Star", "webstar");
    TestResult result;
    ASSERT_NE(send(scoreRequest(id, "webstar", result)), "fail");
    std::string page = getPath(server, "/ranking?category=2");
    EXPECT_NE(page.find(">Web Star</a></td>"), std::string::npos) << page;
    EXPECT_NE(getPath(server, "/account").find("Account help"), std::string::npos);
    EXPECT_EQ(getPath(server, "/nothing-here"), "<status 404>");
}

TEST_P(EndToEnd, ImplausibleResultsAreRefused) {
    long long cheat = registerAndLogin(server, "Forger Player", "forger");
    TestResult result;
    for (long long score : {2147483647LL, -5LL, 100000001LL}) {
        result.score = score;
        EXPECT_EQ(send(scoreRequest(cheat, "forger", result)), "fail") << score;
    }
    result.score = 1000;
    result.mode = 2;
    result.level = 1;
    std::string death = deathRequest(cheat, "forger", result);
    death.replace(death.find("&time=") + 6, death.find("&apm=") - death.find("&time=") - 6,
                  "1e308");
    EXPECT_EQ(send(death), "fail");
    EXPECT_EQ(countRows("SELECT COUNT(*) FROM results"), 0);
    // The account still submits normally afterwards.
    EXPECT_EQ(tokens(scoreRequest(cheat, "forger", result))[0], "success");
}

TEST_P(EndToEnd, OneForgedScoreLeavesTheNextPlayersPointsAlone) {
    long long first = registerAndLogin(server, "First Player", "first");
    long long cheat = registerAndLogin(server, "Cheat Player", "cheat");
    long long next = registerAndLogin(server, "Next Player", "next");
    TestResult result;
    result.score = 5000;
    for (int level : {1, 2}) {
        result.level = level;
        ASSERT_EQ(tokens(scoreRequest(first, "first", result))[0], "success");
    }
    // Level 1 gets the largest score the limits let through; level 2 stays honest.
    TestResult forged = result;
    forged.level = 1;
    forged.score = 100000000;
    ASSERT_EQ(tokens(scoreRequest(cheat, "cheat", forged))[0], "success");
    std::vector<std::string> poisoned = tokens(scoreRequest(next, "next", result));
    result.level = 1;
    std::vector<std::string> honest = tokens(scoreRequest(next, "next", result));
    ASSERT_GE(poisoned.size(), 8u);
    ASSERT_GE(honest.size(), 8u);
    long long levelTwoPoints = std::atoll(poisoned[7].c_str());
    long long levelOnePoints = std::atoll(honest[7].c_str()) - levelTwoPoints;
    EXPECT_GT(levelTwoPoints, 400);
    EXPECT_EQ(levelOnePoints, levelTwoPoints);
}

TEST_P(EndToEnd, SurvivalPlayTimeIsCountedOnce) {
    long long id = registerAndLogin(server, "Survival Player", "survive");
    TestResult result;
    result.mode = 5;
    result.level = 2;
    result.time = 300;
    ASSERT_EQ(send(deathRequest(id, "survive", result)), "success");
    ASSERT_EQ(tokens(scoreRequest(id, "survive", result))[0], "success");
    EXPECT_EQ(countRows("SELECT CAST(play_seconds AS INTEGER) FROM users"), 300);
    // A classic death and a classic score are two plays.
    result.mode = 2;
    result.level = 1;
    ASSERT_EQ(send(deathRequest(id, "survive", result)), "success");
    result.session = "20240101130000xyz";
    ASSERT_EQ(tokens(scoreRequest(id, "survive", result))[0], "success");
    EXPECT_EQ(countRows("SELECT CAST(play_seconds AS INTEGER) FROM users"), 900);
}

// The guesser's client must then wait, even with the right password, while the
// owner elsewhere logs in at once; IPv6 addresses of one /64 are one client.
// (The same over IPv4 is the hostile client's forged-forwarding test.)
TEST_P(EndToEnd, WrongPasswordsSlowTheGuesserNotTheOwner) {
    ASSERT_EQ(send(registerRequest("Guarded Name", "secret")).compare(0, 7, "success"), 0);
    for (int i = 1; i <= 4; ++i) {
        sendRequestFrom(server, loginRequest("Guarded Name", "guess"),
                        "2001:db8:1:2::" + std::to_string(i));
    }
    EXPECT_EQ(sendRequestFrom(server, loginRequest("Guarded Name", "secret"), "2001:db8:1:2::99"),
              "fail");
    EXPECT_EQ(splitAtSpaces(sendRequestFrom(server, loginRequest("Guarded Name", "secret"),
                                            "2001:db8:1:3::1"))[0],
              "success");
}

TEST_P(EndToEnd, RegistrationsArePerAddressLimited) {
    int accepted = 0;
    for (int i = 0; i < 21; ++i) {
        std::string reply = sendRequestFrom(
            server, registerRequest("Mass Account " + std::to_string(i), "secret"), "192.0.2.44");
        if (reply.compare(0, 8, "success ") == 0) ++accepted;
    }
    EXPECT_EQ(accepted, 20);
    EXPECT_EQ(sendRequestFrom(server, registerRequest("Mass Account X", "secret"), "192.0.2.44"),
              "error");
    EXPECT_EQ(
        sendRequestFrom(server, registerRequest("Other Home", "secret"), "192.0.2.45").substr(0, 7),
        "success");
}

INSTANTIATE_ON_BOTH_BACKENDS(EndToEnd);
