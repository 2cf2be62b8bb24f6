#include "game/replay_playback.h"

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/camera.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/pause_menu.h"
#include "game/play.h"
#include "game/play_input.h"
#include "game/powerups.h"
#include "game/replay_recorder.h"
#include "game/server_link.h"
#include "game/tutorials.h"

bool replayDrawn = false;

static int32_t heldKeys = 0;  // the play keys the replay holds down

static void applySettings(const ReplayHeader& h) {
    settingsSavingOff = true;
    connectionMode = ConnectionOffline;
    ScreenWidth = h.screenWidth;
    ScreenHeight = h.screenHeight;
    // The game drawing a replay keeps its window's view; a different one aims differently.
    if (!replayDrawn) setViewSize(h.viewWidth, h.viewHeight);
    bool sameView = h.viewWidth == 0 || (h.viewWidth == viewWidth && h.viewHeight == viewHeight);
    if (replayDrawn && !sameView) logConsole("The replay was recorded in a view of another size");
    controls = h.controls;
    for (int32_t card = 0; card < tutorialCardCount; card++)
        tutorialSeenFlag(card) = (h.tutorialsSeen >> card) & 1;
    gameMode = h.mode;
    practiceMode = h.practice;
    levelIndex = h.levelIndex;
}

static void restoreInput(const ReplayHeader& h) {
    mouseX = h.mouseX;
    mouseY = h.mouseY;
    leftDown = h.leftDown;
    rightDown = h.rightDown;
    holdTime = h.holdTime;
    rightHoldTime = h.rightHoldTime;
    dragTime = h.dragTime;
    dragOrigin[0] = h.dragOrigin[0];
    dragOrigin[1] = h.dragOrigin[1];
    escapeWasDown = h.keyEdges & KeyBitEscape;
    powerupKeyWasDown[0] = h.keyEdges & KeyBitPowerup1;
    powerupKeyWasDown[1] = h.keyEdges & KeyBitPowerup2;
    powerupKeyWasDown[2] = h.keyEdges & KeyBitPowerup3;
    heldKeys = 0;
}

static void restoreTutorialCard(const ReplayHeader& h) {
    for (bool& showing : cardShowing) showing = false;
    if (h.cardUp >= 0 && h.cardUp < tutorialCardCount) cardShowing[h.cardUp] = true;
    tutorialClock = h.tutorialClock;
    paused = h.paused;
    tutorialShowing = h.tutorialShowing;
    connectionPrompt = false;
}

void startReplayLevel(const ReplayHeader& header) {
    applySettings(header);
    GameState = header.gameState;
    forcedLevelSeed = header.seed;
    startLevel(0);
    restoreInput(header);
    restoreTutorialCard(header);
}

// During a level only the Game screen holds the game-side buttons; the
// screens it fades to take clicks of their own, which play does not see.
static bool playHoldsButtons() {
    return GameState == Game;
}

static void applyEvent(const ReplayEvent& e) {
    switch (e.kind) {
        case ReplayMouseMove:
            moveMouse(e.a, e.b);
            break;
        case ReplayLeftDown:
            if (playHoldsButtons()) pressLeftButton();
            break;
        case ReplayLeftUp:
            releaseLeftButton(playHoldsButtons());
            break;
        case ReplayRightDown:
            if (playHoldsButtons()) pressRightButton();
            break;
        case ReplayRightUp:
            releaseRightButton(playHoldsButtons());
            break;
        case ReplayKeysHeld:
            heldKeys = e.a;
            break;
        case ReplayPaused:
            paused = e.a != 0;
            break;
        case ReplayServerPrompt:
            paused = connectionPrompt = true;
            break;
        case ReplayControls:
            controls = e.a >= 0 && e.a <= 2 ? e.a : controls;
            break;
        case ReplayGameState:
            if (!replayDrawn) GameState = e.a;
            break;
        default:
            break;
    }
}

void applyReplayInput(const ReplayFrame& frame) {
    for (const ReplayEvent& e : frame.events) applyEvent(e);
    playKeysHeld = heldKeys;
}

// The pause overlay's part of the game step: it takes a press while paused,
// and the item the player chose then is the recorded one.
static void runPauseOverlayRules(const ReplayFrame& frame) {
    if (!takePauseClick()) return;
    for (const ReplayEvent& e : frame.events)
        if (e.kind == ReplayPauseChoice) choosePauseItem(e.a);
}

void playReplayFrame(const ReplayFrame& frame, bool withBlockPass) {
    applyReplayInput(frame);
    if (frame.steps & StepHoldTimers) updateHoldTimers(frame.dtMs);
    if (frame.steps & StepGame) {
        bool inGame = GameState == Game;
        UpdateGame(frame.dtMs);
        if (inGame) runPauseOverlayRules(frame);
    }
    if ((frame.steps & StepBlockPass) && withBlockPass) runBlockPass();
    endReplayFrame();
}

ReplayOutcome playReplayHeadless(const Replay& replay, std::vector<ReplaySample>* samples) {
    startReplayLevel(replay.header);
    ReplayOutcome outcome;
    if (samples) samples->reserve(replay.frames.size());
    for (const ReplayFrame& frame : replay.frames) {
        playReplayFrame(frame);
        outcome.frames++;
        if (samples) samples->push_back({score, mass});
    }
    outcome.result = currentLevelResult();
    outcome.levelTimeMs = levelTimeMs;
    return outcome;
}

double replayPlayedMs(const Replay& replay) {
    double sum = 0;
    for (const ReplayFrame& frame : replay.frames) sum += frame.dtMs;
    return sum;
}

std::string describeOutcome(const ReplayOutcome& outcome) {
    const ReplayResult& r = outcome.result;
    std::string verdict = r.cleared ? "cleared" : r.lost ? "lost" : "unfinished";
    return "score " + std::to_string(r.score) + "\nresult " + verdict + "\nframes " +
           std::to_string(outcome.frames) + "\nstatistics " + r.statistics + "\n";
}

// A result the game submits: a cleared level (Classic, Rush), a finished
// Meditation run, or a Survival run that ended.
static bool submittableResult(int32_t mode, const ReplayResult& result) {
    return result.cleared || (mode == ModeSurvival && result.lost);
}

static std::string headerMismatch(const ReplayHeader& h, int32_t mode, int32_t level) {
    if (h.mode != mode) return "the replay is of another game mode";
    bool classic = mode >= ModeCasual && mode <= ModeExpert;
    if (classic && h.levelIndex + 1 != level) return "the replay is of another level";
    if (h.practice) return "the replay is of a practice game";
    return "";
}

ReplayVerdict verifyReplay(const std::string& bytes, int32_t mode, int32_t level, int32_t score) {
    ReplayVerdict verdict;
    Replay replay;
    if (!decodeReplay(bytes, replay, verdict.reason)) return verdict;
    verdict.reason = headerMismatch(replay.header, mode, level);
    if (replay.frames.size() > maxVerifiedFrames)
        verdict.reason =
            "the replay has more than " + std::to_string(maxVerifiedFrames) + " frames";
    if (!verdict.reason.empty()) return verdict;
    verdict.outcome = playReplayHeadless(replay);
    verdict.playedMs = replayPlayedMs(replay);
    const ReplayResult& result = verdict.outcome.result;
    if (!submittableResult(mode, result)) {
        verdict.reason = "the replay does not finish the level";
    } else if (result.score != score) {
        verdict.reason = "the replay reaches " + std::to_string(result.score) + ", not the " +
                         std::to_string(score) + " submitted";
    }
    verdict.verified = verdict.reason.empty();
    return verdict;
}
