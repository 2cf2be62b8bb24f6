#include "shell/replay_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/console_log.h"
#include "online/replay_upload.h"
#include "platform/system.h"

std::string replayFolder() {
    std::string base = platformLocalAppDataDir();
    return base.empty() ? "" : base + replaySubfolder;
}

static bool isReplayName(const std::string& name) {
    size_t n = std::string(replayExtension).size();
    return name.size() > n && name.compare(name.size() - n, n, replayExtension) == 0;
}

// Names are "replay-" and a zero-padded number, so their order is their age.
static std::string nextReplayName(const std::string& folder) {
    long last = 0;
    for (const std::string& name : platformListFiles(folder)) {
        if (isReplayName(name)) last = std::max(last, strtol(name.c_str() + 7, nullptr, 10));
    }
    char text[32];
    snprintf(text, sizeof text, "replay-%08ld%s", last + 1, replayExtension);
    return text;
}

void pruneReplayFolder(const std::string& folder) {
    std::vector<std::string> replays;
    for (const std::string& name : platformListFiles(folder))
        if (isReplayName(name) && name.compare(0, 7, "replay-") == 0) replays.push_back(name);
    for (size_t i = 0; i + keptReplayCount < replays.size(); i++)
        std::remove((folder + "/" + replays[i]).c_str());
}

// Written to a temporary name first: a full disk never leaves half a replay.
static bool writeWholeFile(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.good()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void saveFinishedReplay(const Replay& replay) {
    std::string folder = replayFolder();
    std::string bytes = encodeReplay(replay);
    // A ranked score's replay goes to the server as well as to the folder.
    sendOwedReplay(bytes, replay.header.mode, replay.result.score);
    if (folder.empty() || !platformMakeDirectories(folder)) {
        logConsole("Could not make the replay folder " + folder);
        return;
    }
    std::string path = folder + "/" + nextReplayName(folder);
    if (!writeWholeFile(path, bytes)) {
        logConsole("Could not write the replay " + path);
        return;
    }
    pruneReplayFolder(folder);
}

bool readReplayFile(const std::string& path, Replay& replay, std::string& bytes,
                    std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return decodeReplay(bytes, replay, error);
}
