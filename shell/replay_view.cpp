#include "shell/replay_view.h"

#include <cstdio>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/modes.h"
#include "game/replay_playback.h"
#include "game/replay_recorder.h"
#include "game/server_link.h"
#include "game/tutorials.h"
#include "online/watch.h"
#include "platform/input_state.h"
#include "screens/ranking.h"
#include "shell/input.h"
#include "shell/launch_options.h"
#include "shell/play_keys.h"
#include "shell/program.h"
#include "shell/replay_files.h"

// What playing a replay changes and a downloaded run must give back.
struct PlayBeforeReplay {
    int32_t connectionMode, gameMode, levelIndex, controls, screenWidth, screenHeight;
    bool practiceMode, settingsSavingOff, recording;
    int32_t tutorialsSeen[tutorialCardCount];
    float fixedStepMs;
    int32_t mouseX, mouseY;  // the replay moves the pointer; the ranking gets the player's back
    bool leftDown, rightDown;
};

static Replay shownReplay;
static std::string shownName;  // the file or the run, for the log
static size_t nextFrame = 0;
static bool fileLoaded = false;   // --replay's file was read (or failed)
static bool fileShown = false;    // --replay's level has begun
static PlayBeforeReplay saved{};  // taken as a downloaded run begins

static bool loadShownFile() {
    std::string bytes, error;
    shownName = launchOptions.replayPath;
    if (readReplayFile(launchOptions.replayPath, shownReplay, bytes, error)) return true;
    logConsole("Cannot show the replay " + launchOptions.replayPath + ": " + error);
    fprintf(stderr, "zentrix: cannot show the replay %s: %s\n", launchOptions.replayPath.c_str(),
            error.c_str());
    quitProgram();
    return false;
}

static void beginShownLevel() {
    recorder.enabled = false;
    replayPlayback.drawn = true;
    nextFrame = 0;
    startReplayLevel(shownReplay.header);
    // The fade into the level ran no play: its input is taken, then the level shows.
    while (nextFrame < shownReplay.frames.size() &&
           !(shownReplay.frames[nextFrame].steps & StepGame))
        applyReplayInput(shownReplay.frames[nextFrame++]);
    GameState = Game;
    replayDrivesInput = true;
    logConsole("Showing the replay " + shownName);
}

// The file's level begins once the intro has led to a settled screen: the
// menu, or offline the login screen's offline notice.
static void beginShownFile() {
    bool settled = (GameState == Menu || GameState == Login) && fadeTimer >= fadeDuration;
    if (!settled) return;
    fileShown = true;
    beginShownLevel();
}

static void savePlay() {
    saved = {serverLink.connectionMode,
             modeState.gameMode,
             modeState.levelIndex,
             controls,
             ScreenWidth,
             ScreenHeight,
             modeState.practiceMode,
             settingsSavingOff,
             recorder.enabled,
             {},
             launchOptions.fixedStepMs,
             mouseX,
             mouseY,
             leftDown,
             rightDown};
    for (int32_t card = 0; card < tutorialCardCount; card++)
        saved.tutorialsSeen[card] = tutorialSeenFlag(card);
}

static void restorePlay() {
    serverLink.connectionMode = saved.connectionMode;
    modeState.gameMode = saved.gameMode;
    modeState.levelIndex = saved.levelIndex;
    controls = saved.controls;
    ScreenWidth = saved.screenWidth;
    ScreenHeight = saved.screenHeight;
    modeState.practiceMode = saved.practiceMode;
    settingsSavingOff = saved.settingsSavingOff;
    recorder.enabled = saved.recording;
    for (int32_t card = 0; card < tutorialCardCount; card++)
        tutorialSeenFlag(card) = saved.tutorialsSeen[card];
    launchOptions.fixedStepMs = saved.fixedStepMs;
    mouseX = saved.mouseX;
    mouseY = saved.mouseY;
    leftDown = saved.leftDown;
    rightDown = saved.rightDown;
    replayPlayback.drawn = false;
}

static void beginDownloadedRun() {
    shownReplay = watchedReplay;
    shownName = watchCaption();
    savePlay();
    beginShownLevel();
    watchStep = WatchPlaying;
}

static void logShownScore() {
    ReplayResult reached = currentLevelResult();
    bool same = reached.score == shownReplay.result.score &&
                reached.statistics == shownReplay.result.statistics;
    logConsole("Replay shown: score " + std::to_string(reached.score) + ", recorded " +
               std::to_string(shownReplay.result.score) + (same ? ", the same" : ", different"));
}

// The end of the frames, or Escape while a downloaded run shows.
static void endShownReplay(bool stopped) {
    replayDrivesInput = false;
    if (stopped) {
        logConsole("Stopped watching " + shownName);
    } else {
        logShownScore();
    }
    if (watchStep != WatchPlaying) {
        quitProgram();
        return;
    }
    restorePlay();
    returnToRankingFromReplay();
}

// Which replay, if any, begins this frame.
static void beginWhenDue() {
    if (!launchOptions.replayPath.empty() && !fileShown) {
        if (!fileLoaded) {
            fileLoaded = true;
            if (!loadShownFile()) return;
        }
        beginShownFile();
    } else if (watchStep == WatchFileReady && GameState == Ranking) {
        beginDownloadedRun();
    }
}

void runReplayViewFrame() {
    if (!programRunning) return;
    if (!replayDrivesInput) beginWhenDue();
    if (!replayDrivesInput) return;
    bool stopped = watchStep == WatchPlaying && platformKeyHeld(vk::Escape);
    if (stopped || nextFrame >= shownReplay.frames.size()) {
        endShownReplay(stopped);
        return;
    }
    const ReplayFrame& frame = shownReplay.frames[nextFrame++];
    applyReplayInput(frame);
    // The recorded frame time stands in for the measured one.
    launchOptions.fixedStepMs = frame.dtMs > 0.0f ? frame.dtMs : 0.0001f;
}
