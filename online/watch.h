// Watching the best runs: the Ranking screen opens a ranked player's verified
// runs in its category (request kind 12, the server's public list), and the
// chosen run's replay file comes down (kind 13). Once the file is here and
// reads as a replay, the top floor plays it in the replay viewer and brings
// the ranking back afterwards. One request is on its way at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/replay.h"

enum WatchStep : int32_t {
    WatchClosed = 0,   // no list open
    WatchListLoading,  // the list was asked for
    WatchListShown,    // the list (perhaps empty, perhaps with a failure) is shown
    WatchFileLoading,  // the chosen run's file was asked for
    WatchFileReady,    // the file is here; the viewer takes it
    WatchPlaying,      // the viewer shows it
};

// One line of the list.
struct WatchRun {
    std::string replayId;  // digits only
    int32_t mode = 0, level = 0;
    int64_t score = 0;
    std::string date;  // YYYY-MM-DD, as the server wrote it
};

extern int32_t watchStep;                // WatchStep
extern std::string watchUserId;          // whose runs are listed (digits)
extern std::string watchPlayerName;      // their name as the ranking row shows it
extern int32_t watchCategory;            // 0 Overall, 1..6 a mode
extern std::vector<WatchRun> watchRuns;  // the list, best score first
extern int32_t watchChosen;              // index in watchRuns of the run fetched or shown
extern std::string watchMessage;         // why the last request failed; "" when none did
extern bool watchRequestOut;             // a list or file request is on its way
extern Replay watchedReplay;             // the downloaded run, from WatchFileReady on
extern std::string watchListReply;       // reply buffer of kind 12
extern std::string watchFileReply;       // reply buffer of kind 13

constexpr int32_t watchListSeconds = 10;
constexpr int32_t watchFileSeconds = 30;
constexpr size_t watchRunsLimit = 100;  // a longer list is not what the server sends

// Asks for the verified runs of a ranking row's player in `category`; does
// nothing while another request is on its way.
void openWatchList(const std::string& userId, const std::string& name, int32_t category);
// Back to the ranking; a reply still on its way is dropped when it comes.
void closeWatchList();
// Asks for the file of run `index`; does nothing while a request is on its way.
void downloadWatchRun(int32_t index);
// The viewer is done with the run: the list shows again.
void finishWatching();
// Kinds 12 and 13.
void handleWatchListReply(int32_t result);
void handleWatchFileReply(int32_t result);
// Lines "id,mode,level,score,date" each ending CR LF; false (with `error`)
// when any line is not of that form.
bool parseWatchRuns(const std::string& text, std::vector<WatchRun>& runs, std::string& error);
// "NAME's run: Casual level 1, score 12345": the viewer's line for the chosen run.
std::string watchCaption();
