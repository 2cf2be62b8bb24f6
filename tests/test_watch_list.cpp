// The watch list's reading of the server's run lists and downloaded files: a
// list is taken whole or not at all, and a failed or damaged download leaves
// the list shown with a message, never a half-read run for the viewer.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include "online/watch.h"
#include "screens/ranking.h"
#include "screens/watch_list.h"

namespace {

struct ListCase {
    const char* what;
    std::string text;
    bool read;
    size_t runs;
};

TEST(WatchList, ReadsWholeListsAndRefusesAnyLineOutOfForm) {
    const std::string good = "12,1,1,4500,2026-12-07\r\n";
    const ListCase cases[] = {
        {"no runs", "", true, 0},
        {"one run", good, true, 1},
        {"two runs", good + "7,6,1,-250,2026-01-31\r\n", true, 2},
        {"an id of 18 digits", "123456789012345678,2,10,0,2026-12-07\r\n", true, 1},
        {"an id of 19 digits", "1234567890123456789,2,10,0,2026-12-07\r\n", false, 0},
        {"mode 0", "12,0,1,4500,2026-12-07\r\n", false, 0},
        {"mode 7", "12,7,1,4500,2026-12-07\r\n", false, 0},
        {"level 11", "12,1,11,4500,2026-12-07\r\n", false, 0},
        {"a score past every mode", "12,1,1,10000000001,2026-12-07\r\n", false, 0},
        {"a sixth field", "12,1,1,4500,2026-12-07,x\r\n", false, 0},
        {"no date", "12,1,1,4500,\r\n", false, 0},
        {"a date of another shape", "12,1,1,4500,07.12.2026\r\n", false, 0},
        {"a last line without CR LF", good + "13,1,1,4500,2026-12-07", false, 0},
        {"a good line after a bad one", "x\r\n" + good, false, 0},
    };
    for (const ListCase& c : cases) {
        std::vector<WatchRun> runs;
        std::string error;
        EXPECT_EQ(parseWatchRuns(c.text, runs, error), c.read) << c.what;
        EXPECT_EQ(runs.size(), c.runs) << c.what;
        if (!c.read) {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
    std::vector<WatchRun> runs;
    std::string error;
    ASSERT_TRUE(parseWatchRuns(good, runs, error));
    EXPECT_EQ(runs[0].replayId, "12");
    EXPECT_EQ(runs[0].mode, 1);
    EXPECT_EQ(runs[0].level, 1);
    EXPECT_EQ(runs[0].score, 4500);
    EXPECT_EQ(runs[0].date, "2026-12-07");
}

TEST(WatchList, AListLongerThanTheServerSendsIsRefused) {
    std::string text;
    for (size_t i = 0; i < watchRunsLimit; i++) text += "1,1,1,1,2026-12-07\r\n";
    std::vector<WatchRun> runs;
    std::string error;
    EXPECT_TRUE(parseWatchRuns(text, runs, error));
    EXPECT_FALSE(parseWatchRuns(text + "1,1,1,1,2026-12-07\r\n", runs, error));
}

// A list with one run of Casual level 1 whose file is on its way.
void awaitFile() {
    watchPlayerName = "champion";
    watchRuns = {{"12", 1, 1, 4500, "2026-12-07"}};
    watchChosen = 0;
    watchMessage.clear();
    watchStep = WatchFileLoading;
}

TEST(WatchList, AFailedOrDamagedDownloadShowsTheListWithAMessage) {
    struct Case {
        const char* what;
        int32_t result;
        std::string bytes;
    } cases[] = {
        {"a 404", CURLE_HTTP_RETURNED_ERROR, ""},
        {"a time-out", CURLE_OPERATION_TIMEDOUT, ""},
        {"bytes that are no replay", CURLE_OK, "not a replay at all"},
        {"an empty file", CURLE_OK, ""},
    };
    for (const Case& c : cases) {
        awaitFile();
        watchFileReply = c.bytes;
        handleWatchFileReply(c.result);
        EXPECT_EQ(watchStep, WatchListShown) << c.what;
        EXPECT_EQ(watchMessage, "The replay could not be downloaded.") << c.what;
        EXPECT_TRUE(watchedReplay.frames.empty()) << c.what;
    }
    // A reply for a list the player has closed meanwhile changes nothing.
    awaitFile();
    closeWatchList();
    handleWatchFileReply(CURLE_OK);
    EXPECT_EQ(watchStep, WatchClosed);
    EXPECT_EQ(watchCaption(), "");
}

TEST(WatchList, TheViewersLineNamesThePlayerTheLevelAndTheScore) {
    awaitFile();
    EXPECT_EQ(watchCaption(), "champion's run: Casual level 1, score 4500");
    closeWatchList();
}

// A list longer than the rows: the wheel moves it a run at a time, never
// past its last full page, a click takes the run shown in that row, and the
// next list opened starts at its best run again.
TEST(WatchList, TheWheelScrollsALongListAndAClickTakesTheRunShown) {
    watchRequestOut = false;
    watchRuns.assign(23, {"", 1, 1, 4500, "2026-12-07"});
    for (size_t i = 0; i < watchRuns.size(); i++) watchRuns[i].replayId = std::to_string(100 + i);
    watchChosen = -1;
    watchStep = WatchListShown;
    EXPECT_EQ(watchListHitAreas().size(), 11u) << "Close and ten rows";
    wheelWatchList(1);
    for (int step = 0; step < 3; step++) wheelWatchList(-1);
    clickWatchList(WatchFirstRun);
    EXPECT_EQ(watchChosen, 3) << "the top row shows the fourth run after three steps down";
    handleWatchFileReply(CURLE_OPERATION_TIMEDOUT);
    for (int step = 0; step < 30; step++) wheelWatchList(-1);
    clickWatchList(WatchFirstRun + 9);
    EXPECT_EQ(watchChosen, 22) << "the wheel stops with the last run in the bottom row";
    handleWatchFileReply(CURLE_OPERATION_TIMEDOUT);
    openWatchListAtTop("x", "champion", 1);  // offline here: the list shows its message
    watchRuns.assign(23, {"7", 1, 1, 4500, "2026-12-07"});
    clickWatchList(WatchFirstRun);
    EXPECT_EQ(watchChosen, 0) << "a new list starts at the top";
    handleWatchFileReply(CURLE_OPERATION_TIMEDOUT);
    closeWatchList();
}

}  // namespace
