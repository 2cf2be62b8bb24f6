#include "dev/replay_view.h"

#include <cstdio>

#include "base/console_log.h"
#include "base/game_state.h"
#include "game/modes.h"
#include "game/replay_playback.h"
#include "game/replay_recorder.h"
#include "shell/input.h"
#include "shell/launch_options.h"
#include "shell/main_loop.h"
#include "shell/replay_files.h"

static Replay shownReplay;
static size_t nextFrame = 0;
static bool replayLoaded = false;

static bool loadShownReplay() {
    std::string bytes, error;
    if (readReplayFile(launchOptions.replayPath, shownReplay, bytes, error)) return true;
    logConsole("Cannot show the replay " + launchOptions.replayPath + ": " + error);
    fprintf(stderr, "zentrix: cannot show the replay %s: %s\n", launchOptions.replayPath.c_str(),
            error.c_str());
    quitProgram();
    return false;
}

// The level begins once the intro has led to a settled screen: the menu, or
// offline the login screen's offline notice.
static bool beginShownLevel() {
    bool settled = (GameState == Menu || GameState == Login) && fadeTimer >= fadeDuration;
    if (!settled) return false;
    replayRecordingOn = false;
    replayDrawn = true;
    startReplayLevel(shownReplay.header);
    // The fade into the level ran no play: its input is taken, then the level shows.
    while (nextFrame < shownReplay.frames.size() &&
           !(shownReplay.frames[nextFrame].steps & StepGame))
        applyReplayInput(shownReplay.frames[nextFrame++]);
    GameState = Game;
    replayDrivesInput = true;
    logConsole("Showing the replay " + launchOptions.replayPath);
    return true;
}

static void endShownReplay() {
    ReplayResult reached = currentLevelResult();
    bool same = reached.score == shownReplay.result.score &&
                reached.statistics == shownReplay.result.statistics;
    logConsole("Replay shown: score " + std::to_string(reached.score) + ", recorded " +
               std::to_string(shownReplay.result.score) + (same ? ", the same" : ", different"));
    replayDrivesInput = false;
    quitProgram();
}

void runReplayViewFrame() {
    if (launchOptions.replayPath.empty() || !programRunning) return;
    if (!replayLoaded) {
        replayLoaded = true;
        if (!loadShownReplay()) return;
    }
    static bool begun = false;
    if (!begun && !(begun = beginShownLevel())) return;
    if (!replayDrivesInput) return;
    if (nextFrame >= shownReplay.frames.size()) {
        endShownReplay();
        return;
    }
    const ReplayFrame& frame = shownReplay.frames[nextFrame++];
    applyReplayInput(frame);
    // The recorded frame time stands in for the measured one.
    launchOptions.fixedStepMs = frame.dtMs > 0.0f ? frame.dtMs : 0.0001f;
}
