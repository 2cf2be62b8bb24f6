// Replay uploads through the real queue against a local HTTP server: the
// ranked score's replay goes out as a POST with the file as its body and its
// SHA-256 in the encrypted query, every other request stays a plain GET, a
// failed transfer is sent again at once while online, and nothing is sent
// when no score is owed it.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "online/account.h"
#include "online/replay_upload.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online_test_support.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "temp_folder.h"

namespace {

struct SeenRequest {
    std::string method, plain, body;
};

// Records each request, decrypted with the development private key.
struct RecordingServer {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::vector<SeenRequest> seen;
    std::string answer = "success";
    std::string privateKey;
    RecordingServer() {
        std::ifstream key(std::string(ZENTRIX_BUILD_DIR) + "/keys/server_private.pem");
        std::ostringstream text;
        text << key.rdbuf();
        privateKey = text.str();
        auto record = [this](const httplib::Request& request, httplib::Response& response) {
            // Taken from the target as sent: the parsed value loses Base64's "=" padding.
            std::string data = request.target.substr(request.target.find("data=") + 5);
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back({request.method,
                            rsaPrivateDecryptChunks(base64Decode(makeUrlUnsafe(data)), privateKey),
                            request.body});
            response.set_content(answer, "text/plain");
        };
        server.Get("/secure.php", record);
        server.Post("/secure.php", record);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~RecordingServer() {
        server.stop();
        thread.join();
    }
};

// A replay file's stand-in: the queue sends bytes, whatever they hold.
const std::string replayBytes = std::string("ZXR\x01\x00\xff", 6) + std::string(3000, 'r');

struct ReplayUploads : ::testing::Test {
    LevelStatistics stats{1, 3, 7200, 41350, 60, 0, 3, 4, {1, 0, 0}, {0, 0, 0}, 9, 4};
    void SetUp() override {
        onlinetest::goOnlineWithoutAnswers();
        urlsLogPath = tempDir() + "/urls.txt";
        sessionhash = "20260101120000abc";
        replayUploads.clear();
        replayOwed = false;
    }
    void TearDown() override {
        onlinetest::stopRequests();
        replayUploads.clear();
        replayOwed = false;
        connectionMode = ConnectionOnline;
    }
    bool pumpUntilDone() { return onlinetest::pumpUntilDone(); }
    size_t uploadRecords() {
        size_t count = 0;
        for (const HttpRequest& request : requestLog) count += request.kind == ReplayRequest;
        return count;
    }
};

TEST_F(ReplayUploads, TheRankedScoresReplayIsPostedWithItsDigestAndScoreStaysAGet) {
    RecordingServer server;
    secureBaseUrl = "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=";
    queueScoreReport(stats);
    sendOwedReplay(replayBytes, stats.gameMode, stats.score);
    ASSERT_TRUE(pumpUntilDone());
    ASSERT_EQ(server.seen.size(), 2u);
    const SeenRequest& score =
        server.seen[0].plain.rfind("score.php?", 0) == 0 ? server.seen[0] : server.seen[1];
    const SeenRequest& upload = &score == &server.seen[0] ? server.seen[1] : server.seen[0];
    EXPECT_EQ(score.method, "GET");
    EXPECT_EQ(score.body, "");
    EXPECT_EQ(upload.method, "POST");
    EXPECT_EQ(upload.body, replayBytes);
    EXPECT_EQ(upload.plain,
              "replay.php?gamemode=1&level=3&score=7200&sha256=" + sha256Hex(replayBytes) +
                  "&sessionhash=20260101120000abc&userid=12" +
                  "&passwordHash=" + md5Hex(loginPassword));
    // Answered: nothing is waiting and nothing more is owed.
    EXPECT_TRUE(replayUploads.empty());
    EXPECT_FALSE(replayOwed);
}

TEST_F(ReplayUploads, AFailedTransferIsSentAgainWhileOnlineAndDroppedOffline) {
    oweReplay(1, 3, 7200);
    sendOwedReplay(replayBytes, 1, 7200);
    ASSERT_EQ(uploadRecords(), 1u);
    // Nothing listens on the port: each failure queues the same upload again.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (uploadRecords() < 3 && std::chrono::steady_clock::now() < deadline) {
        curlprocess();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(uploadRecords(), 3u);
    EXPECT_EQ(requestLog[0].url, requestLog[1].url);
    EXPECT_EQ(replayUploads.size(), 1u);
    connectionMode = ConnectionOffline;
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_TRUE(replayUploads.empty());
}

TEST_F(ReplayUploads, ARefusalEndsTheUpload) {
    RecordingServer server;
    server.answer = "fail";
    secureBaseUrl = "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=";
    oweReplay(1, 3, 7200);
    sendOwedReplay(replayBytes, 1, 7200);
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(server.seen.size(), 1u);
    EXPECT_EQ(uploadRecords(), 1u);
    EXPECT_TRUE(replayUploads.empty());
}

TEST_F(ReplayUploads, NothingIsSentUnlessTheReplayIsTheOwedScores) {
    // No ranked score went out (offline, practice): nothing is owed.
    sendOwedReplay(replayBytes, 1, 7200);
    oweReplay(1, 3, 7200);
    sendOwedReplay(replayBytes, 1, 7300);  // another attempt's replay
    sendOwedReplay(replayBytes, 1, 7200);  // nothing owed any more
    oweReplay(1, 3, 7200);
    sendOwedReplay(std::string(replayUploadLimitBytes + 1, 'x'), 1, 7200);
    EXPECT_EQ(uploadRecords(), 0u);
    EXPECT_TRUE(replayUploads.empty());
}

}  // namespace
