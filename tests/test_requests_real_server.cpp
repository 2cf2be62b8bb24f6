// Every kind of request the game sends, built and sent by the game's own
// online code over libcurl, answered by the real zentrix-server program on a
// loopback port: with the longest values the server takes in each field, none
// is refused (a ranked result's replay, under an issued seed, included); a request the server does
// refuse is logged by the game with its kind and the server's answer; and the console log never
// holds the session token or the password blob.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "base/console_log.h"
#include "base/game_state.h"
#include "game/modes.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/mac_address.h"
#include "online/news.h"
#include "online/ranking.h"
#include "online/replay_upload.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/seeds.h"
#include "online/unsent_results.h"
#include "online_test_support.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "protocol/replay.h"
#include "settings/settings.h"
#include "temp_folder.h"

namespace {

const std::string buildDir = ZENTRIX_BUILD_DIR;

// The server program with a fresh SQLite file, its log in a file of its own.
struct ServerProcess {
    pid_t pid = -1;
    int port = 0;
    std::string folder = freshFolder();
    std::string log = folder + "/server.log";
    std::string database = "sqlite:" + folder + "/server.sqlite";

    // Each server of this process starts on a database of its own.
    static std::string freshFolder() {
        static int made = 0;
        std::string path = tempDir() + "/server" + std::to_string(++made);
        std::filesystem::create_directories(path);
        return path;
    }

    // Runs the program with `arguments` to its end; its output goes to the log.
    static pid_t spawn(const std::vector<std::string>& arguments, const std::string& log) {
        pid_t child = fork();
        if (child != 0) return child;
        FILE* out = std::fopen(log.c_str(), "a");
        if (out) {
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

    bool setNews(const std::string& text) {
        pid_t child =
            spawn({buildDir + "/zentrix-server", "news", "set", text, "--db", database}, log);
        int status = 0;
        return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    bool start() {
        pid = spawn({buildDir + "/zentrix-server", "serve", "--listen", "127.0.0.1:0", "--db",
                     database, "--key", buildDir + "/keys/server_private.pem", "--threads", "2"},
                    log);
        std::regex listening("listening on http://127\\.0\\.0\\.1:([0-9]+)");
        for (int tries = 0; tries < 300; tries++) {
            std::smatch found;
            std::string text = readWholeFile(log);
            if (std::regex_search(text, found, listening)) {
                port = std::stoi(found[1]);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }

    // Log lines of requests the server could not read or refused to route.
    std::string refusals() const {
        std::string found;
        std::istringstream lines(readWholeFile(log));
        for (std::string line; std::getline(lines, line);) {
            bool bad = line.find("does not decrypt") != std::string::npos ||
                       line.find("malformed request") != std::string::npos ||
                       line.find("secure request from") != std::string::npos;
            if (bad) found += line + "\n";
        }
        return found;
    }
};

// Longest texts the server takes: names of 24 characters, passwords of 64,
// e-mail addresses of 128, any other text value of 1024.
std::string repeated(const std::string& pattern, size_t length) {
    std::string text;
    while (text.size() < length) text += pattern;
    return text.substr(0, length);
}

// A replay file of `stats` played under `seed`: what the server checks on upload.
std::string replayOf(const LevelStatistics& stats, uint32_t seed) {
    Replay replay;
    replay.header.mode = stats.gameMode;
    replay.header.levelIndex = stats.level - 1;
    replay.header.seed = seed;
    replay.header.screenWidth = replay.header.viewWidth = 1280;
    replay.header.screenHeight = replay.header.viewHeight = 720;
    replay.result.score = stats.score;
    replay.result.cleared = true;
    return encodeReplay(replay);
}

class RequestsToTheRealServer : public ::testing::Test {
  protected:
    ServerProcess server;
    std::string logFolder = tempDir() + "/log";
    std::string urlsLogBefore = urlsLogPath;

    void SetUp() override {
        ASSERT_TRUE(server.setNews("Season two starts on Friday")) << readWholeFile(server.log);
        ASSERT_TRUE(server.start()) << readWholeFile(server.log);
        std::filesystem::create_directories(logFolder);
        logDirectory = logFolder;
        emptyConsoleLog();
        settingsDirOverride = tempDir() + "/cfg";
        urlsLogPath = logFolder + "/urls.txt";
        secureBaseUrl = "http://127.0.0.1:" + std::to_string(server.port) + "/secure.php?data=";
        serverLink.connectionMode = ConnectionOnline;
        modeState.practiceMode = false;
        if (!curlMulti) startHttp();
        requestLog.clear();
        userId.clear();
        playHash.clear();
        newsText.clear();
        std::fill(std::begin(unlockedAchievements), std::end(unlockedAchievements), false);
        pendingCheeve.clear();
        cheeveReply.clear();
        GameState = Login;
        forgetUnsentResults();
        seedStock.clear();
        seedsPending = false;
    }
    void TearDown() override {
        stopHttp();
        requestLog.clear();
        forgetUnsentResults();
        server.stop();
        logDirectory.clear();
        settingsDirOverride.clear();
        urlsLogPath = urlsLogBefore;
        serverLink.connectionMode = ConnectionOnline;
    }
    std::string consoleLog() { return readWholeFile(logFolder + "/console.log"); }
};

TEST_F(RequestsToTheRealServer, EveryKindWithTheLongestValuesIsAccepted) {
    // The intro's server choice for a player with no account yet; the answer
    // names the server's public address, which is not this test's port.
    std::string testServer = secureBaseUrl;
    EXPECT_EQ(chooseServer(), 0);
    secureBaseUrl = testServer;

    // CreateAcc: the name check and the registration, as the screen sends them.
    Username = "Zz-" + repeated("0123456789abcdefghij", 19) + "-9";
    ASSERT_EQ(Username.size(), 24u);
    loginPassword = repeated("pass-Word.42", 64);
    emailText = repeated("mail.box-", 121) + "@x.test";
    ASSERT_EQ(emailText.size(), 128u);
    EXPECT_EQ(checkNameAvailable(), passwordStep);
    ASSERT_EQ(registerAccount(), loggingInStep) << consoleLog();
    ASSERT_FALSE(storedPasswordBlob.empty());

    // Login, with a machine description longer than the server reads in every
    // field: the game sends what fits (the address list in whole addresses).
    std::string longText = repeated("Mesa llvmpipe (LLVM 15.0.6, 256 bits) ", 1500);
    loginMachine = {"Version 1.0.0.0", longText, "64000", longText, longText, longText, longText};
    macAddressList = repeated("02-42-AC-11-00-02 ", 120 * 18 - 1);
    resetLoginAttempt();
    issueLogin();
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    ASSERT_EQ(GameState, LoginToMenu) << consoleLog();
    EXPECT_FALSE(userId.empty());
    EXPECT_EQ(playHash.size(), 32u);

    // The login queued the news and the achievement synchronisation.
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    EXPECT_EQ(newsText, "Season two starts on Friday");
    EXPECT_NE(syncCheevesReply, "fail");
    EXPECT_FALSE(syncCheevesReply.empty());

    // Play: highscore, a result, a death report, an achievement, a ranking page.
    serverLink.sessionhash = makeSessionHash();
    ASSERT_EQ(serverLink.sessionhash.size(), 46u);
    queueHighscoreRequest(3, 10);
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    EXPECT_TRUE(highscoreAnswered);
    EXPECT_NE(highscoreReply, "fail");
    // A ranked result under a seed the login's seeds.php issued, its replay after it.
    uint32_t seed = 0;
    ASSERT_TRUE(takeSeed(seed)) << consoleLog();
    LevelStatistics result = {1, 1, 1000, 60000.0f, 40, 0, 12, 5, {1, 0, 0}, {0, 0, 0}, 3, 4};
    queueScoreReport(result);
    sendOwedReplay(replayOf(result, seed), result.gameMode, result.score);
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    EXPECT_TRUE(serverLink.scoreAnswered);
    EXPECT_NE(scoreReply, "fail");
    EXPECT_TRUE(unsentResults.empty()) << "the server took the score and its replay";
    LevelStatistics lost = {2, 10, 123456, 83417.5f, 61, 2, 140, 33, {2, 1, 0}, {1, 1, 0}, 96, 0};
    queueDeathReport(lost);
    unlockAchievement("chainreaction");
    selectRankingCategory(6);
    requestNextRankingPage();
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    EXPECT_NE(cheeveReply, "fail");
    EXPECT_TRUE(cheeveAnswered);
    EXPECT_FALSE(rankingPending);

    // Leaving: the logout ends the session.
    sendLogout();

    EXPECT_EQ(server.refusals(), "");
    EXPECT_EQ(consoleLog().find("The server refused"), std::string::npos)
        << consoleLog() << readWholeFile(server.log);
    for (const HttpRequest& request : requestLog) EXPECT_EQ(request.result, 0) << request.url;
    // The session token and the password blob never reach the log file.
    std::string log = consoleLog();
    EXPECT_EQ(log.find(playHash), std::string::npos);
    EXPECT_EQ(log.find(storedPasswordBlob), std::string::npos);
    EXPECT_NE(log.find("success " + userId + " (session token) (password blob)"), std::string::npos)
        << log;
}

// A refusal is not silent: the game's log names the request's kind and the
// server's answer, never the values (which may hold a password).
TEST_F(RequestsToTheRealServer, ARefusedRequestIsLoggedWithItsKindAndTheAnswer) {
    userId = "999999";
    loginPassword = "not the password";
    unlockAchievement("chainreaction");
    ASSERT_TRUE(onlinetest::pumpUntilDone());
    EXPECT_EQ(cheeveReply, "fail");
    std::string log = consoleLog();
    EXPECT_NE(log.find("The server refused client_cheeve.php (kind 6, HTTP 200): fail"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(md5Hex(loginPassword)), std::string::npos);
    // Offline, and before any login, the game sends no logout at all.
    userId.clear();
    playHash.clear();
    size_t before = readWholeFile(server.log).size();
    sendLogout();
    serverLink.connectionMode = ConnectionOffline;
    userId = "1";
    playHash = std::string(32, 'a');
    sendLogout();
    queueNews();
    EXPECT_TRUE(requestLog.size() == 1u) << "nothing is queued offline";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(readWholeFile(server.log).size(), before) << readWholeFile(server.log);
}

}  // namespace
