// A hostile client against the real server, on SQLite and PostgreSQL: each
// attack is sent as an attacker would send it and shown refused. Forged
// results in volume, results at levels a mode never plays, replayed and
// spliced logins, forged forwarding headers, name probing by time, guesses
// spread over many addresses, implausible emails, reading the metrics from
// outside and bodies sent to be buffered.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "protocol/encodings.h"
#include "server/storage.h"
#include "tests/server/server_harness.h"

namespace {

const char* const password = "secret9";
const size_t rsaBlockBytes = 128;

class HostileClients : public ProxiedServerTest {
  protected:
    void SetUp() override {
        // The default: only verified results count.
        server.context.countUnverifiedResults = false;
        ProxiedServerTest::SetUp();
    }

    std::string send(const std::string& request) { return sendRequest(server, request); }
    std::string query(const std::string& sql) { return queryValue(server, sql); }
    std::string getWith(const std::string& path, const TestHeaders& headers) {
        return getPath(server, path, headers);
    }
    std::string loginFrom(const std::string& name, const std::string& secret,
                          const std::string& address) {
        return sendRequestFrom(server, loginRequest(name, secret), address);
    }
    bool registered(const std::string& name) {
        return send(registerRequest(name, password)).compare(0, 8, "success ") == 0;
    }
};

bool succeeded(const std::string& reply) {
    return reply.compare(0, 8, "success ") == 0;
}

// The URL-safe Base64 `data` of a secure URL.
std::string dataOf(const std::string& url) {
    return url.substr(url.find("data=") + 5);
}

std::string urlOf(const std::string& data) {
    return "/secure.php?data=" + data;
}

TEST_P(HostileClients, ForgedResultsInVolumeCountForNothing) {
    long long honest = registerAndLogin(server, "Honest Player", password);
    long long forger = registerAndLogin(server, "Forging Player", password);
    TestResult result;
    ASSERT_TRUE(succeeded(send(scoreRequest(honest, password, result))));
    for (int i = 0; i < 60; ++i) {
        result.score = 90000000 + i;
        ASSERT_TRUE(succeeded(send(scoreRequest(forger, password, result))));
    }
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=2&offset=0"), "2 EOF\r\n");
    EXPECT_EQ(send("world_ranking_staggered.php?gamemode=0&offset=0"), "0 EOF\r\n");
    EXPECT_EQ(query("SELECT COUNT(*) FROM score_bins"), "0");
    std::vector<std::string> best = splitAtSpaces(
        send("highscore.php?gamemode=2&level=1&username=x&userid=" + std::to_string(forger)));
    ASSERT_EQ(best.size(), 5u);
    EXPECT_EQ(best[1], "0");  // no personal best without a verified replay
    EXPECT_EQ(best[4], "1");
}

TEST_P(HostileClients, ResultsAtLevelsAModeNeverPlaysAreRefused) {
    long long id = registerAndLogin(server, "Level Forger", password);
    struct Case {
        int mode, level;
        bool played;
    } cases[] = {{4, 5, true},   {4, 4, false}, {4, 6, false}, {5, 2, true},  {5, 1, false},
                 {5, 3, false},  {6, 1, true},  {6, 2, false}, {6, 5, false}, {1, 10, true},
                 {1, 11, false}, {3, 1, true},  {3, 0, false}, {0, 1, false}, {7, 1, false}};
    for (const Case& c : cases) {
        TestResult result;
        result.mode = c.mode;
        result.level = c.level;
        result.score = 100;
        std::string where = "mode " + std::to_string(c.mode) + " level " + std::to_string(c.level);
        EXPECT_EQ(succeeded(send(scoreRequest(id, password, result))), c.played) << where;
        EXPECT_EQ(send(deathRequest(id, password, result)) == "success", c.played) << where;
        std::string highscore = "highscore.php?gamemode=" + std::to_string(c.mode) +
                                "&level=" + std::to_string(c.level) +
                                "&username=x&userid=" + std::to_string(id);
        EXPECT_EQ(succeeded(send(highscore)), c.played) << where;
    }
}

// The unused low bits of the last Base64 character spell the same ciphertext
// another way; two recordings spliced block by block decrypt to the same
// login. Both are the recording played back.
TEST_P(HostileClients, ReSpelledAndSplicedLoginRecordingsAreRefused) {
    ASSERT_TRUE(registered("Recorded Player"));
    // A login of four blocks, whose Base64 ends in a padded group.
    std::string request = loginRequest("Recorded Player", password) + std::string(58, 'x');
    secureBaseUrl = "/secure.php?data=";
    std::string first = dataOf(makeSecureUrl(request));
    std::string second = dataOf(makeSecureUrl(request));
    ASSERT_EQ(base64Decode(makeUrlUnsafe(first)).size(), 4 * rsaBlockBytes);
    ASSERT_EQ(first.back(), '=');
    EXPECT_TRUE(succeeded(getPath(server, urlOf(first))));
    EXPECT_EQ(getPath(server, urlOf(first)), "fail");
    std::string respelt = first;
    // Its value is a multiple of 4 (two unused bits): one more is the next character.
    char& last = respelt[respelt.size() - 2];
    last = static_cast<char>(last + 1);
    ASSERT_EQ(base64Decode(makeUrlUnsafe(respelt)), base64Decode(makeUrlUnsafe(first)));
    EXPECT_EQ(getPath(server, urlOf(respelt)), "fail");
    // The second recording was never sent; spliced with the first one's block, it is refused.
    std::string a = base64Decode(makeUrlUnsafe(first));
    std::string b = base64Decode(makeUrlUnsafe(second));
    std::string spliced = b.substr(0, rsaBlockBytes) + a.substr(rsaBlockBytes);
    EXPECT_EQ(getPath(server, urlOf(makeUrlSafe(removeCrLf(base64Encode(spliced))))), "fail");
    EXPECT_EQ(query("SELECT COUNT(*) FROM sessions"), "1");
    // The game's own next login is encrypted afresh and works.
    EXPECT_TRUE(succeeded(send(loginRequest("Recorded Player", password))));
}

// A client writes its own X-Forwarded-For line; the proxy adds the real
// address on a line of its own. Only the proxy's counts.
TEST_P(HostileClients, AForgedForwardingLineDoesNotHideTheGuesser) {
    ASSERT_TRUE(registered("Forwarded Target"));
    secureBaseUrl = "/secure.php?data=";
    for (int i = 0; i < 4; ++i) {
        TestHeaders headers = {{"X-Forwarded-For", "198.51.100." + std::to_string(i + 1)},
                               {"X-Forwarded-For", "203.0.113.77"}};
        EXPECT_EQ(getWith(makeSecureUrl(loginRequest("Forwarded Target", "guess")), headers),
                  "fail");
    }
    EXPECT_EQ(loginFrom("Forwarded Target", password, "203.0.113.77"), "fail");
    EXPECT_TRUE(succeeded(loginFrom("Forwarded Target", password, "192.0.2.10")));
}

// A login for a name that does not exist costs the slow check too, so the
// time of the answer does not tell which names exist.
TEST_P(HostileClients, UnknownNamesTakeAsLongAsWrongPasswords) {
    ASSERT_TRUE(registered("Timed Name"));
    auto timeOf = [&](const std::string& name, int round) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(loginFrom(name, "wrong" + std::to_string(round),
                            "192.0.2." + std::to_string(100 + round)),
                  "fail");
        return std::chrono::steady_clock::now() - start;
    };
    std::vector<std::chrono::steady_clock::duration> known, unknown;
    for (int round = 0; round < 3; ++round) {
        known.push_back(timeOf("Timed Name", round));
        unknown.push_back(timeOf("No Such Name", round + 10));
    }
    std::sort(known.begin(), known.end());
    std::sort(unknown.begin(), unknown.end());
    // The medians: a missing slow check would make the unknown name several times faster.
    EXPECT_GT(unknown[1] * 2, known[1]);
}

// Guesses spread over many addresses, sent at once, still meet the account's
// throttle; then even the right password waits.
TEST_P(HostileClients, GuessesFromManyAddressesAtOnceAreThrottledPerAccount) {
    ASSERT_TRUE(registered("Spread Target"));
    std::vector<std::thread> guessers;
    for (int i = 0; i < 16; ++i) {
        guessers.emplace_back([this, i] {
            loginFrom("Spread Target", "guess" + std::to_string(i),
                      "198.51.100." + std::to_string(10 + i));
        });
    }
    for (std::thread& guesser : guessers) guesser.join();
    EXPECT_EQ(loginFrom("Spread Target", password, "192.0.2.200"), "fail");
    // Another account is not held up.
    ASSERT_TRUE(registered("Other Account"));
    EXPECT_TRUE(succeeded(loginFrom("Other Account", password, "198.51.100.10")));
}

TEST_P(HostileClients, ImplausibleEmailsAreRefused) {
    const char* const refused[] = {"abcd",
                                   "@example.org",
                                   "player@",
                                   "player@example",
                                   "player@.org",
                                   "player@example.",
                                   "pla yer@example.org",
                                   "a@b@example.org",
                                   "player@example..org",
                                   "p<x>@example.org"};
    int n = 0;
    for (const char* email : refused) {
        std::string name = "Email Case " + std::to_string(++n);
        EXPECT_EQ(send(registerRequest(name, password, email)), "error") << email;
    }
    EXPECT_TRUE(succeeded(send(registerRequest("Email Fine", password, "p.x-y@mail.example.org"))));
    EXPECT_EQ(query("SELECT COUNT(*) FROM users"), "1");
}

// /metrics is for this machine's operator: a client reaching it through the
// proxy is refused, this machine itself is served.
TEST_P(HostileClients, MetricsAreNotServedToTheInternet) {
    EXPECT_EQ(getWith("/metrics", {{"X-Forwarded-For", "203.0.113.5"}}), "<status 403>");
    EXPECT_NE(getPath(server, "/metrics").find("zentrix_"), std::string::npos);
    server.context.metricsFrom = "203.0.113.0/24";
    EXPECT_NE(getWith("/metrics", {{"X-Forwarded-For", "203.0.113.5"}}).find("zentrix_"),
              std::string::npos);
}

// A body no route takes is refused on its announced length before it is
// read, and cut off when it comes without one.
TEST_P(HostileClients, BodiesAreRefusedBeforeTheyAreBuffered) {
    httplib::Client client("127.0.0.1", server.port);
    client.set_read_timeout(10);
    auto started = std::chrono::steady_clock::now();
    auto huge = client.Get("/ranking", {{"Content-Length", "2500000000"}});
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 413);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    // Chunked, without a length: the connection closes once past the limit.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string head = "GET /ranking HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    std::string chunk = "4000\r\n" + std::string(0x4000, 'z') + "\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    size_t sent = 0;
    while (sent < 64u * 1024 * 1024) {
        if (::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) break;
        sent += chunk.size();
    }
    ::close(fd);
    EXPECT_LT(sent, 16u * 1024 * 1024) << "the server read on long past the limit";
    EXPECT_EQ(getPath(server, "/healthz"), "ok\n");
}

INSTANTIATE_ON_BOTH_BACKENDS(HostileClients);

}  // namespace
