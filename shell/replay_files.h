// The replays on disk: each finished level attempt is written to the
// player's data folder, where the last 50 stay.
#pragma once

#include <cstddef>
#include <string>

#include "protocol/replay.h"

constexpr size_t keptReplayCount = 50;
constexpr const char* replaySubfolder = "/Brisko Game Studios/Zentrix/Replays";
constexpr const char* replayExtension = ".zxr";

// The folder the replays are kept in ("" when there is no data folder).
std::string replayFolder();
// Installed at start-up as the recorder's hook: writes the replay and sends
// it to the server when a ranked score submission owes it.
void saveFinishedReplay(const Replay& replay);
// Removes the oldest replays of the folder until keptReplayCount remain.
void pruneReplayFolder(const std::string& folder);
// Reads a whole replay file; false with a reason.
bool readReplayFile(const std::string& path, Replay& replay, std::string& bytes,
                    std::string& error);
