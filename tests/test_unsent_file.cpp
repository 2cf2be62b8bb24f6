// The file of unsent results: entries read back whole; a damaged entry is
// dropped on its own while the others are kept, each field checked at the
// edge of what it may hold; and a disk that takes no more leaves the old file
// whole, says so once in the console log, and keeps the result in memory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "base/console_log.h"
#include "game/server_link.h"
#include "online/account.h"
#include "online/requests.h"
#include "online/scores.h"
#include "online/unsent_file.h"
#include "online/unsent_results.h"
#include "platform/settings_store.h"
#include "protocol/replay.h"
#include "temp_folder.h"

namespace {

UnsentResult sampleResult(int32_t score, const std::string& replay) {
    UnsentResult result;
    result.userId = "4711";
    result.session = "20260101120000" + std::string(32, 'a');
    result.mode = 1;
    result.level = 3;
    result.score = score;
    result.record = "gamemode=1&level=3&score=" + std::to_string(score) + "&time=41&performance=4";
    result.scoreTaken = score % 2 == 0;
    result.replayClosed = true;
    result.replay = replay;
    return result;
}

// Replay bytes that hold what a reader could mistake for an entry's start.
const std::string trickyReplay = std::string("ZXR\x01\x00\n", 6) + "\nZXU1 1 2 3\n" + "\xff\x00";

std::deque<UnsentResult> threeResults() {
    return {sampleResult(7200, trickyReplay), sampleResult(7301, ""),
            sampleResult(9000, std::string(5000, 'r'))};
}

std::vector<int32_t> scoresOf(const std::deque<UnsentResult>& results) {
    std::vector<int32_t> scores;
    for (const UnsentResult& result : results) scores.push_back(result.score);
    return scores;
}

struct UnsentFile : ::testing::Test {
    std::string logFolder = tempDir() + "/unsent-log";
    void SetUp() override {
        settingsDirOverride = tempDir() + "/unsent-file";
        removeSettingsFolderFile(unsentFileName);
        std::filesystem::create_directories(logFolder);
        logDirectory = logFolder;
        emptyConsoleLog();
    }
    void TearDown() override {
        removeSettingsFolderFile(unsentFileName);
        settingsDirOverride.clear();
        logDirectory.clear();
    }
    std::string consoleLog() { return readWholeFile(logFolder + "/console.log"); }
    size_t linesSaying(const std::string& text) {
        std::istringstream lines(consoleLog());
        size_t count = 0;
        for (std::string line; std::getline(lines, line);)
            count += line.find(text) != std::string::npos;
        return count;
    }
};

TEST_F(UnsentFile, EntriesReadBackWholeInTheirOrder) {
    std::deque<UnsentResult> read;
    EXPECT_EQ(decodeUnsentResults(encodeUnsentResults(threeResults()), read), 0u);
    ASSERT_EQ(scoresOf(read), (std::vector<int32_t>{7200, 7301, 9000}));
    std::deque<UnsentResult> written = threeResults();
    for (size_t i = 0; i < read.size(); i++) {
        const UnsentResult& want = written[i];
        EXPECT_EQ(read[i].userId, want.userId);
        EXPECT_EQ(read[i].session, want.session);
        EXPECT_EQ(read[i].record, want.record);
        EXPECT_EQ(read[i].scoreTaken, want.scoreTaken);
        EXPECT_EQ(read[i].replay, want.replay);
    }
    // No account or session (a game online before any login) reads back as none.
    UnsentResult anonymous = sampleResult(5, "");
    anonymous.userId.clear();
    anonymous.session.clear();
    read.clear();
    EXPECT_EQ(decodeUnsentResults(encodeUnsentResults({anonymous}), read), 0u);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].userId, "");
    EXPECT_EQ(read[0].session, "");
}

// Each damage, and which of the three entries survive it.
struct Damage {
    const char* name;
    std::string (*apply)(std::string bytes);
    std::vector<int32_t> kept;
    size_t stretches;
};

// Where entry n starts (the fake start inside trickyReplay names no account).
size_t entryStart(const std::string& bytes, int n) {
    size_t at = 0;
    for (int i = 0; i < n; i++) at = bytes.find("\nZXU1 4711 ", at + 1) + 1;
    return at;
}

// The middle entry's replay length, one more than its bytes.
std::string lengthenMiddleReplay(std::string b) {
    size_t end = b.find('\n', entryStart(b, 1));
    size_t digestSpace = b.rfind(' ', end);
    size_t lengthSpace = b.rfind(' ', digestSpace - 1);
    return b.replace(lengthSpace + 1, digestSpace - lengthSpace - 1, "1");
}

const Damage damages[] = {
    {"a flipped byte in the first replay",
     [](std::string b) {
         b[b.find("ZXR") + 1] ^= 0x20;
         return b;
     },
     {7301, 9000},
     1},
    {"the middle entry's line cut in half",
     [](std::string b) {
         size_t at = entryStart(b, 1);
         return b.erase(at + 10, 30);
     },
     {7200, 9000},
     1},
    {"garbage between two entries",
     [](std::string b) { return b.insert(entryStart(b, 2), "garbage\n\xff\xfe\n"); },
     {7200, 7301, 9000},
     1},
    {"the file cut inside the last replay",
     [](std::string b) { return b.substr(0, b.size() - 100); },
     {7200, 7301},
     1},
    {"a replay length one longer than the bytes", lengthenMiddleReplay, {7200, 9000}, 1},
    {"every entry damaged",
     [](std::string b) {
         size_t starts[] = {entryStart(b, 0), entryStart(b, 1), entryStart(b, 2)};
         for (size_t at : starts) b[at + 1] = 'Q';
         return b;
     },
     {},
     1},
};

TEST_F(UnsentFile, ADamagedEntryIsDroppedAloneWithOneConsoleLine) {
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        emptyConsoleLog();
        std::deque<UnsentResult> read;
        std::string bytes = damage.apply(encodeUnsentResults(threeResults()));
        EXPECT_EQ(decodeUnsentResults(bytes, read), damage.stretches);
        EXPECT_EQ(scoresOf(read), damage.kept);
        EXPECT_EQ(linesSaying("Unsent results: a damaged entry was dropped"), damage.stretches);
    }
}

// A field exactly as long as it may be is read; one longer is damage.
TEST_F(UnsentFile, FieldsAreReadUpToTheirLimitsAndNoFurther) {
    struct Edge {
        const char* name;
        void (*set)(UnsentResult& r, size_t extra);
    };
    const Edge edges[] = {
        {"record",
         [](UnsentResult& r, size_t extra) { r.record.resize(unsentRecordLimit + extra, '9'); }},
        {"session",
         [](UnsentResult& r, size_t extra) { r.session.resize(unsentSessionLimit + extra, 'f'); }},
        {"replay",
         [](UnsentResult& r, size_t extra) { r.replay.assign(replayMaxFileBytes + extra, 'r'); }},
    };
    for (const Edge& edge : edges) {
        for (size_t extra : {size_t(0), size_t(1)}) {
            SCOPED_TRACE(std::string(edge.name) + (extra ? " one over" : " at the limit"));
            std::deque<UnsentResult> results = threeResults();
            edge.set(results[1], extra);
            std::deque<UnsentResult> read;
            decodeUnsentResults(encodeUnsentResults(results), read);
            std::vector<int32_t> kept = {7200, 9000};
            if (!extra) kept.insert(kept.begin() + 1, 7301);
            EXPECT_EQ(scoresOf(read), kept);
        }
    }
}

TEST_F(UnsentFile, ADamagedFileOnDiskLoadsWhatIsWhole) {
    ASSERT_TRUE(storeUnsentResults(threeResults()));
    std::string path = settingsFolderFile(unsentFileName);
    std::string bytes = readWholeFile(path);
    bytes[entryStart(bytes, 1) + 1] = '#';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(scoresOf(loadUnsentResults()), (std::vector<int32_t>{7200, 9000}));
    EXPECT_EQ(linesSaying("damaged entry"), 1u);
    // No results: no file.
    ASSERT_TRUE(storeUnsentResults({}));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(loadUnsentResults().empty());
}

// The process may write files up to `bytes` long: a disk with that much room.
struct FileSizeLimit {
    rlimit before{};
    explicit FileSizeLimit(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit limited = before;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
};

TEST_F(UnsentFile, AFullDiskKeepsTheOldFileWholeAndSaysWhy) {
    std::deque<UnsentResult> first = {sampleResult(7200, trickyReplay)};
    ASSERT_TRUE(storeUnsentResults(first));
    std::deque<UnsentResult> grown = threeResults();
    size_t needed = encodeUnsentResults(grown).size();
    {
        FileSizeLimit room(needed - 1);
        errno = 0;
        EXPECT_FALSE(storeUnsentResults(grown));
        EXPECT_EQ(errno, EFBIG);
    }
    EXPECT_EQ(scoresOf(loadUnsentResults()), (std::vector<int32_t>{7200}));
    {
        FileSizeLimit room(needed);
        EXPECT_TRUE(storeUnsentResults(grown));
    }
    EXPECT_EQ(scoresOf(loadUnsentResults()), (std::vector<int32_t>{7200, 7301, 9000}));
}

TEST_F(UnsentFile, AResultTheDiskCannotTakeStaysInMemoryWithOneConsoleLine) {
    forgetUnsentResults();
    serverLink.connectionMode = ConnectionOffline;  // nothing is sent: only the keeping is seen
    userId = "4711";
    serverLink.sessionhash.clear();  // a result with no session is kept as well
    LevelStatistics stats{1, 3, 7200, 41350, 60, 0, 3, 4, {1, 0, 0}, {0, 0, 0}, 9, 4};
    {
        // Room for the result's fields and the log, not for its replay.
        FileSizeLimit room(2048);
        keepPlayedResult(stats, {&scoreReply, &scorePending});
        closePlayedResult(std::string(4000, 'r'));
    }
    ASSERT_EQ(unsentResults.size(), 1u);
    EXPECT_EQ(unsentResults[0].replay.size(), 4000u);
    EXPECT_TRUE(unsentSaveFailed);
    EXPECT_EQ(linesSaying("Could not save the unsent results"), 1u) << consoleLog();
    ASSERT_EQ(loadUnsentResults().size(), 1u);
    EXPECT_TRUE(loadUnsentResults()[0].replay.empty()) << "the disk holds the last whole file";
    // Room again: the next change writes everything held in memory.
    keepPlayedResult(stats, {&scoreReply, &scorePending});
    EXPECT_FALSE(unsentSaveFailed);
    std::deque<UnsentResult> kept = loadUnsentResults();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].replay.size(), 4000u);
    forgetUnsentResults();
    serverLink.connectionMode = ConnectionOnline;
}

}  // namespace
