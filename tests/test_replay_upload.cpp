// Results and their replays through the real queue against a local HTTP
// server: the score goes first and its replay, a POST with the file as its
// body and its SHA-256 in the encrypted query, only once the score is taken;
// a failed transfer waits longer after each failure and goes at once when the
// server answers anything again; the result stays on disk until then; a
// refusal for good drops it; nothing is sent when no score is owed a replay.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "online/account.h"
#include "online/news.h"
#include "online/replay_upload.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/unsent_results.h"
#include "online_test_support.h"
#include "platform/settings_store.h"
#include "platform/system.h"
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
    int status = 200;
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex);
        return seen.size();
    }
    std::string privateKey;
    RecordingServer() {
        privateKey = serverPrivateKey();
        auto record = [this](const httplib::Request& request, httplib::Response& response) {
            // Taken from the target as sent: the parsed value loses Base64's "=" padding.
            std::string data = request.target.substr(request.target.find("data=") + 5);
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back({request.method,
                            rsaPrivateDecryptChunks(base64Decode(makeUrlUnsafe(data)), privateKey),
                            request.body});
            response.status = status;
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
        settingsDirOverride = tempDir() + "/uploads";
        removeSettingsFolderFile(unsentFileName);
        serverLink.sessionhash = "20260101120000abc";
        forgetUnsentResults();
        replayOwed = false;
    }
    void TearDown() override {
        onlinetest::stopRequests();
        forgetUnsentResults();
        removeSettingsFolderFile(unsentFileName);
        settingsDirOverride.clear();
        replayOwed = false;
        serverLink.connectionMode = ConnectionOnline;
    }
    bool pumpUntilDone() { return onlinetest::pumpUntilDone(); }
    size_t records(int32_t kind) {
        size_t count = 0;
        for (const HttpRequest& request : requestLog) count += request.kind == kind;
        return count;
    }
    void serveAt(RecordingServer& server) {
        secureBaseUrl = "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=";
    }
    // What the next start would read from disk.
    std::deque<UnsentResult> onDisk() {
        std::deque<UnsentResult> kept;
        std::string bytes;
        bool truncated = false;
        if (readSettingsFolderFile(unsentFileName, 1 << 24, bytes, truncated))
            decodeUnsentResults(bytes, kept);
        return kept;
    }
};

TEST_F(ReplayUploads, TheScoreGoesFirstAndItsReplayFollowsAsAPostOnceTaken) {
    RecordingServer server;
    serveAt(server);
    queueScoreReport(stats);
    // The attempt closes before the score is answered: the replay waits for it.
    sendOwedReplay(replayBytes, stats.gameMode, stats.score);
    EXPECT_EQ(records(ReplayRequest), 0u);
    ASSERT_TRUE(pumpUntilDone());
    ASSERT_EQ(server.seen.size(), 2u);
    EXPECT_EQ(server.seen[0].method, "GET");
    EXPECT_EQ(server.seen[0].plain.rfind("score.php?gamemode=1&level=3&score=7200&", 0), 0u);
    EXPECT_EQ(server.seen[0].body, "");
    EXPECT_EQ(server.seen[1].method, "POST");
    EXPECT_EQ(server.seen[1].body, replayBytes);
    EXPECT_EQ(server.seen[1].plain,
              "replay.php?gamemode=1&level=3&score=7200&sha256=" + sha256Hex(replayBytes) +
                  "&sessionhash=20260101120000abc&userid=12" +
                  "&passwordHash=" + md5Hex(loginPassword));
    EXPECT_TRUE(serverLink.scoreAnswered);
    // Both answered: nothing is kept and nothing more is owed.
    EXPECT_TRUE(unsentResults.empty());
    EXPECT_TRUE(onDisk().empty());
    EXPECT_FALSE(replayOwed);
}

TEST_F(ReplayUploads, AFailedResultWaitsLongerEachTimeAndStaysOnDisk) {
    queueScoreReport(stats);
    sendOwedReplay(replayBytes, stats.gameMode, stats.score);
    uint32_t expected[] = {2000, 4000, 8000, 16000, 30000, 30000};
    for (uint32_t wait : expected) {
        ASSERT_TRUE(pumpUntilDone());
        EXPECT_EQ(unsentRetryMs, wait);
        // Not before its time, however many frames ask.
        size_t sent = records(ScoreRequest);
        sendUnsentResults(unsentRetryAt - 1);
        EXPECT_EQ(records(ScoreRequest), sent);
        sendUnsentResults(unsentRetryAt);
        EXPECT_EQ(records(ScoreRequest), sent + 1);
    }
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(records(ReplayRequest), 0u) << "no replay before its score is taken";
    std::deque<UnsentResult> kept = onDisk();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(unsentScoreRequest(kept[0]), requestLog.front().url);
    EXPECT_EQ(kept[0].replay, replayBytes);
    EXPECT_FALSE(kept[0].scoreTaken);
}

TEST_F(ReplayUploads, AnyAnswerOfTheServerSendsTheWaitingResultAtOnce) {
    queueScoreReport(stats);
    sendOwedReplay(replayBytes, stats.gameMode, stats.score);
    ASSERT_TRUE(pumpUntilDone());
    ASSERT_EQ(unsentRetryMs, firstUnsentRetryMs);
    RecordingServer server;
    serveAt(server);
    // The news is answered: the result does not wait out its two seconds.
    newsEnabled = 1;
    queueNews();
    ASSERT_TRUE(pumpUntilDone());
    newsEnabled = 0;
    ASSERT_EQ(server.count(), 3u) << "the news, the score, its replay";
    EXPECT_EQ(server.seen[1].plain.rfind("score.php?", 0), 0u);
    EXPECT_EQ(server.seen[2].plain.rfind("replay.php?", 0), 0u);
    EXPECT_TRUE(unsentResults.empty());
}

TEST_F(ReplayUploads, ARefusalForGoodDropsTheResultAndItsReplay) {
    RecordingServer server;
    server.answer = "fail";
    serveAt(server);
    queueScoreReport(stats);
    sendOwedReplay(replayBytes, stats.gameMode, stats.score);
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(server.seen.size(), 1u);
    EXPECT_EQ(records(ReplayRequest), 0u);
    EXPECT_TRUE(unsentResults.empty());
    EXPECT_TRUE(onDisk().empty());
}

TEST_F(ReplayUploads, ABusyServersFailIsNoRefusalAndTheResultWaits) {
    RecordingServer server;
    server.status = 503;
    server.answer = "fail";
    serveAt(server);
    queueScoreReport(stats);
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(server.count(), 1u);
    EXPECT_EQ(unsentRetryMs, firstUnsentRetryMs);
    ASSERT_EQ(onDisk().size(), 1u);
    // The same answer with the status of a real refusal drops it.
    server.status = 200;
    sendUnsentResults(unsentRetryAt);
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(server.count(), 2u);
    EXPECT_TRUE(onDisk().empty());
}

TEST_F(ReplayUploads, AResultWaitsForItsOwnAccountAndForOnlinePlay) {
    RecordingServer server;
    serveAt(server);
    queueScoreReport(stats);
    ASSERT_TRUE(pumpUntilDone());
    ASSERT_EQ(server.count(), 1u);
    // Another account's result and one made offline: kept, not sent.
    unsentResults.front().scoreTaken = false;
    userId = "13";
    sendUnsentResults(platformTicksMs());
    serverLink.connectionMode = ConnectionOffline;
    userId = "12";
    sendUnsentResults(platformTicksMs());
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(server.count(), 1u);
    EXPECT_EQ(unsentResults.size(), 1u);
}

TEST_F(ReplayUploads, NothingIsUploadedUnlessTheReplayIsTheOwedScores) {
    RecordingServer server;
    serveAt(server);
    // No ranked score went out (offline, practice): nothing is owed.
    sendOwedReplay(replayBytes, 1, 7200);
    queueScoreReport(stats);
    sendOwedReplay(replayBytes, 1, 7300);  // another attempt's replay
    sendOwedReplay(replayBytes, 1, 7200);  // nothing owed any more
    queueScoreReport(stats);
    sendOwedReplay(std::string(replayUploadLimitBytes + 1, 'x'), 1, 7200);
    ASSERT_TRUE(pumpUntilDone());
    EXPECT_EQ(records(ReplayRequest), 0u);
    EXPECT_EQ(records(ScoreRequest), 2u);
    EXPECT_TRUE(unsentResults.empty());
}

}  // namespace
