// Real transfers through the queue against a local HTTP server that answers
// well or badly: the log, urls.txt, and hostile replies of every kind.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "base/game_state.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/news.h"
#include "online/patch.h"
#include "online/ranking.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online_test_support.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "temp_folder.h"

namespace {

enum class Answer { Truncated, Huge, Binary, Empty, Fail, WrongCategory, Delayed };

// Longer than the time-out the queue gives these transfers.
constexpr int delayedReplySeconds = 3;
constexpr int shortTimeoutSeconds = 1;

struct HostileServer {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    Answer answer = Answer::Binary;
    HostileServer() {
        server.Get("/secure.php", [this](const httplib::Request&, httplib::Response& response) {
            reply(response);
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~HostileServer() {
        server.stop();
        thread.join();
    }
    void reply(httplib::Response& response) {
        if (answer == Answer::Empty) {
            response.set_content("", "text/plain");
        } else if (answer == Answer::Fail) {
            response.set_content("fail", "text/plain");
        } else if (answer == Answer::WrongCategory) {
            // A ranking page where a login, score or patch reply belongs.
            response.set_content("0 ROWS 1\r\nplayer 1520 1\r\n", "text/plain");
        } else if (answer == Answer::Delayed) {
            std::this_thread::sleep_for(std::chrono::seconds(delayedReplySeconds));
            response.set_content("success 1 2 3 4 5", "text/plain");
        } else if (answer == Answer::Huge) {
            response.set_content(std::string(10 << 20, 'A'), "text/plain");
        } else if (answer == Answer::Binary) {
            std::string bytes(4096, '\0');
            std::mt19937 random(7);
            for (char& byte : bytes) byte = static_cast<char>(random());
            response.set_content(bytes, "application/octet-stream");
        } else {
            // Promises 1000 bytes, sends 10 and hangs up.
            response.set_content_provider(1000, "text/plain",
                                          [](size_t, size_t, httplib::DataSink& sink) {
                                              sink.write("success 1", 9);
                                              return false;
                                          });
        }
    }
};

struct OnlineTransfers : ::testing::Test {
    std::string urls = tempDir() + "/urls.txt";
    void SetUp() override {
        settingsDirOverride = tempDir();
        ::setenv("XDG_DATA_HOME", tempDir().c_str(), 1);
        urlsLogPath = urls;
        std::remove(urls.c_str());
        serverLink.connectionMode = ConnectionOnline;
        GameState = Login;
        newsEnabled = 0;
        // No achievement submission is waiting, so none is sent again.
        pendingCheeve.clear();
        requestLog.clear();
        startHttp();
    }
    void TearDown() override {
        stopHttp();
        requestLog.clear();
    }
    bool pumpUntilDone() { return onlinetest::pumpUntilDone(); }
    int urlsLines() {
        std::ifstream file(urls);
        int lines = 0;
        for (std::string line; std::getline(file, line);) lines++;
        return lines;
    }
};

TEST_F(OnlineTransfers, TheHundredAndFirstRequestPushesTheOldestOut) {
    secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
    std::string replies[101];
    for (int i = 0; i < 101; i++)
        queueRequest("death.php?n=" + std::to_string(i), &replies[i], DeathRequest, 5);
    ASSERT_TRUE(pumpUntilDone());
    ASSERT_EQ(requestLog.size(), 100u);
    EXPECT_EQ(requestLog.front().url, "death.php?n=100");
    EXPECT_EQ(requestLog.back().url, "death.php?n=1");
    EXPECT_NE(requestLog.front().result, 0);
    EXPECT_EQ(requestLog.front().errorText,
              curl_easy_strerror(CURLcode(requestLog.front().result)));
    // Every finished transfer wrote its line, even the one cut from the log.
    EXPECT_EQ(urlsLines(), 101);
}

TEST_F(OnlineTransfers, EveryKindSurvivesHostileReplies) {
    HostileServer hostile;
    secureBaseUrl = "http://127.0.0.1:" + std::to_string(hostile.port) + "/secure.php?data=";
    std::string* buffers[] = {&loginReply,       &highscoreReply, &deathReply,
                              &scoreReply,       &patchData,      &cheeveReply,
                              &syncCheevesReply, &newsReply,      &rankingReply};
    int transfers = 0;
    for (Answer answer : {Answer::Truncated, Answer::Huge, Answer::Binary}) {
        hostile.answer = answer;
        for (int kind = LoginRequest; kind <= RankingRequest; kind++) {
            buffers[kind - 1]->clear();
            queueRequest("kind" + std::to_string(kind), buffers[kind - 1], kind, 20);
            transfers++;
        }
        ASSERT_TRUE(pumpUntilDone());
        EXPECT_NE(GameState, LoginToMenu);
        EXPECT_NE(GameState, Patching);
    }
    // Login retries and patch restarts queue nothing themselves; the screens do.
    EXPECT_EQ(urlsLines(), transfers);
    EXPECT_EQ(patchData, "");  // the last patch reply failed its digest and was dropped
}

// A reply may grow to the cap exactly; a byte past it ends the transfer
// and leaves what was read.
TEST_F(OnlineTransfers, AReplyReachesTheCapAndNoByteFurther) {
    std::string reply(replyLimitBytes - 2, 'r');
    char bytes[2] = {'a', 'b'};
    EXPECT_EQ(appendToReply(bytes, 1, 2, &reply), 2u);
    EXPECT_EQ(reply.size(), replyLimitBytes);
    EXPECT_EQ(appendToReply(bytes, 1, 1, &reply), 0u);
    EXPECT_EQ(reply.size(), replyLimitBytes);
}

// Answers that are well-formed HTTP but no use to the game: nothing is
// accepted, and a reply that never comes ends at the time-out while every
// pump of the queue returns at once (the frames go on).
TEST_F(OnlineTransfers, EveryKindSurvivesEmptyFailWrongAndLateReplies) {
    HostileServer hostile;
    secureBaseUrl = "http://127.0.0.1:" + std::to_string(hostile.port) + "/secure.php?data=";
    std::string buffers[RankingRequest];
    for (Answer answer : {Answer::Empty, Answer::Fail, Answer::WrongCategory, Answer::Delayed}) {
        hostile.answer = answer;
        for (int kind = LoginRequest; kind <= RankingRequest; kind++)
            queueRequest("kind" + std::to_string(kind), &buffers[kind - 1], kind,
                         shortTimeoutSeconds);
        auto longestPump = std::chrono::steady_clock::duration::zero();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool running = true;
        while (running && std::chrono::steady_clock::now() < deadline) {
            auto before = std::chrono::steady_clock::now();
            curlprocess();
            longestPump = std::max(longestPump, std::chrono::steady_clock::now() - before);
            running = false;
            for (const HttpRequest& request : requestLog) running |= !request.done;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_FALSE(running);
        EXPECT_LT(longestPump, std::chrono::seconds(shortTimeoutSeconds));
        EXPECT_NE(GameState, LoginToMenu);
        EXPECT_NE(GameState, Patching);
        for (const HttpRequest& request : requestLog) {
            if (answer == Answer::Delayed) {
                EXPECT_EQ(request.result, CURLE_OPERATION_TIMEDOUT);
            }
        }
        requestLog.clear();
    }
}

TEST_F(OnlineTransfers, BlockingRequestReportsTheTransferResult) {
    HostileServer hostile;
    secureBaseUrl = "http://127.0.0.1:" + std::to_string(hostile.port) + "/secure.php?data=";
    hostile.answer = Answer::Binary;
    std::string reply;
    EXPECT_EQ(requestNow("which_server.php", &reply, 5), 0);
    EXPECT_EQ(reply.size(), 4096u);
    EXPECT_TRUE(requestLog.empty());
    // A binary reply is no address: the game stays with the one it had.
    std::string before = secureBaseUrl;
    EXPECT_EQ(chooseServer(), 0);
    EXPECT_EQ(secureBaseUrl, before);
    secureBaseUrl = "http://127.0.0.1:1/secure.php?data=";
    EXPECT_NE(requestNow("logout.php", &reply, 5), 0);
}

// A which_server.php answer replaces the address only when it is one: an
// error page, a proxy's notice or a short word leaves online play working.
TEST(ServerChoice, OnlyAnAddressReplacesTheSecureEndpoint) {
    struct Case {
        std::string reply;
        bool taken;
    };
    const Case cases[] = {
        {"http://zentrix.example.org/secure.php?data=", true},
        {"https://10.0.0.2:8443/secure.php?data=", true},
        {"http:", false},
        {"<html><body>502 Bad Gateway</body></html>", false},
        {"Service Unavailable", false},
        {"http://host/secure.php?data=\r\n", false},
        {"http://two words/secure.php?data=", false},
        {"ftp://host/secure.php?data=", false},
        {"http://" + std::string(longestServerReply - 7, 'a'), true},
        {"http://" + std::string(longestServerReply - 6, 'a'), false},
    };
    for (const Case& c : cases) EXPECT_EQ(isServerAddressReply(c.reply), c.taken) << c.reply;
}

}  // namespace
