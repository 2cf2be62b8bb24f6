#include "game/replay_playback.h"

#include "base/console_log.h"
#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/camera.h"
#include "game/level_end.h"
#include "game/meter.h"
#include "game/modes.h"
#include "game/pause_menu.h"
#include "game/play.h"
#include "game/play_input.h"
#include "game/powerups.h"
#include "game/replay_recorder.h"
#include "game/server_link.h"
#include "game/tutorials.h"

ReplayPlaybackState replayPlayback;

static void applySettings(const ReplayHeader& h) {
    settingsSavingOff = true;
    serverLink.connectionMode = ConnectionOffline;
    ScreenWidth = h.screenWidth;
    ScreenHeight = h.screenHeight;
    // The game drawing a replay keeps its window's view; a different one aims differently.
    if (!replayPlayback.drawn) setViewSize(h.viewWidth, h.viewHeight);
    bool sameView =
        h.viewWidth == 0 || (h.viewWidth == camera.viewWidth && h.viewHeight == camera.viewHeight);
    if (replayPlayback.drawn && !sameView)
        logConsole("The replay was recorded in a view of another size");
    controls = h.controls;
    for (int32_t card = 0; card < tutorialCardCount; card++)
        tutorialSeenFlag(card) = (h.tutorialsSeen >> card) & 1;
    modeState.gameMode = h.mode;
    modeState.practiceMode = h.practice;
    modeState.levelIndex = h.levelIndex;
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
    play.escapeWasDown = h.keyEdges & KeyBitEscape;
    powerups.powerupKeyWasDown[0] = h.keyEdges & KeyBitPowerup1;
    powerups.powerupKeyWasDown[1] = h.keyEdges & KeyBitPowerup2;
    powerups.powerupKeyWasDown[2] = h.keyEdges & KeyBitPowerup3;
    replayPlayback.heldKeys = 0;
}

static void restoreTutorialCard(const ReplayHeader& h) {
    for (bool& showing : tutorialCards.showing) showing = false;
    if (h.cardUp >= 0 && h.cardUp < tutorialCardCount) tutorialCards.showing[h.cardUp] = true;
    tutorialCards.clock = h.tutorialClock;
    play.paused = h.paused;
    play.tutorialShowing = h.tutorialShowing;
    serverLink.connectionPrompt = false;
}

// A level begins in the game or in a fade into it; a replay cannot start
// anywhere else (the score screen's fade, say, where no loss counts).
static bool levelEntryState(int32_t state) {
    return state == Game || state == GametypeToGame || state == LevelSelectToGame ||
           state == ScoreScreenToGame || state == ClassicModeSelectToGame || state == OptionsToGame;
}

void startReplayLevel(const ReplayHeader& header) {
    applySettings(header);
    GameState = levelEntryState(header.gameState) ? header.gameState : Game;
    resetQuestion = false;
    modeState.forcedLevelSeed = header.seed;
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
            replayPlayback.heldKeys = e.a;
            break;
        case ReplayPaused:
            // From outside the play loop the game is only ever paused (back from the options).
            if (e.a != 0) play.paused = true;
            break;
        case ReplayServerPrompt:
            play.paused = serverLink.connectionPrompt = true;
            break;
        case ReplayControls:
            controls = e.a >= 0 && e.a <= 2 ? e.a : controls;
            break;
        default:
            break;
    }
}

void applyReplayInput(const ReplayFrame& frame) {
    for (const ReplayEvent& e : frame.events) applyEvent(e);
    playKeysHeld = replayPlayback.heldKeys;
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
        // Only the game's own screen runs a game step during a level; the
        // rules alone move it elsewhere (the score screen, the options, the menu).
        GameState = Game;
        UpdateGame(frame.dtMs);
        if (GameState == Game) runPauseOverlayRules(frame);
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
        if (samples) samples->push_back({modeState.score, meter.mass});
        if (outcome.settledAtFrame < 0 && settledLevelEnd() != LevelEnd::Open)
            outcome.settledAtFrame = outcome.frames;
    }
    outcome.result = currentLevelResult();
    outcome.levelTimeMs = modeState.levelTimeMs;
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

// The level each mode plays: the claimed Classic level, the one level file of
// Rush and of Survival, Meditation's single block (level 1).
bool modePlaysLevel(int32_t mode, int32_t level) {
    switch (mode) {
        case ModeCasual:
        case ModeNormal:
        case ModeExpert:
            return level >= 1 && level <= lastClassicLevelIndex + 1;
        case ModeRush:
            return level == rushLevelIndex + 1;
        case ModeSurvival:
            return level == survivalLevelIndex + 1;
        case ModeMeditation:
            return level == 1;
        default:
            return false;
    }
}

static std::string headerMismatch(const ReplayHeader& h, int32_t mode, int32_t level) {
    if (h.mode != mode) return "the replay is of another game mode";
    if (!modePlaysLevel(mode, level) || h.levelIndex + 1 != level)
        return "the replay is of another level";
    if (h.practice) return "the replay is of a practice game";
    if (!levelEntryState(h.gameState)) return "the replay begins outside a level";
    return "";
}

size_t maxVerifiedFrames(int32_t mode) {
    // Frames at up to 240 a second over the longest run a mode allows.
    constexpr size_t framesPerMinute = 240 * 60;
    return (mode == ModeSurvival ? 150 : 30) * framesPerMinute;
}

// What a player can cause: mouse, buttons, keys, the pause menu's items, the
// control scheme and a pause from outside the play loop. The game state and
// a resume from outside come from the rules, never from the file.
static std::string eventProblem(const ReplayEvent& e) {
    switch (e.kind) {
        case ReplayGameState:
            return "the replay sets the game state";
        case ReplayPaused:
            return e.a == 1 ? "" : "the replay resumes play outside the pause menu";
        case ReplayKeysHeld:
            return (e.a & ~0xF) == 0 ? "" : "the replay holds keys the game does not read";
        case ReplayControls:
            return e.a >= 0 && e.a <= 2 ? "" : "the replay's control scheme is unknown";
        case ReplayPauseChoice:
            return e.a >= PauseResume && e.a <= PromptContinue ? ""
                                                               : "the replay clicks no pause item";
        default:
            return "";
    }
}

static std::string framesProblem(const Replay& replay, int32_t mode) {
    if (replay.frames.size() > maxVerifiedFrames(mode))
        return "the replay has more than " + std::to_string(maxVerifiedFrames(mode)) + " frames";
    for (const ReplayFrame& frame : replay.frames)
        for (const ReplayEvent& e : frame.events) {
            std::string problem = eventProblem(e);
            if (!problem.empty()) return problem;
        }
    return "";
}

// The verdict follows the level as the rules settle it: a clear counts only
// when the mass emptied before any loss, a run by its end, and the replay
// must stop in the frame that settled it.
static std::string outcomeProblem(const ReplayOutcome& outcome, int32_t score) {
    if (outcome.settledAtFrame < 0) return "the replay does not finish the level";
    if (outcome.settledAtFrame != outcome.frames) return "the replay goes on after the level ended";
    if (!submittableEnd(settledLevelEnd())) return "the replay does not finish the level";
    if (outcome.result.score != score)
        return "the replay reaches " + std::to_string(outcome.result.score) + ", not the " +
               std::to_string(score) + " submitted";
    return "";
}

ReplayVerdict verifyReplay(const std::string& bytes, int32_t mode, int32_t level, int32_t score) {
    ReplayVerdict verdict;
    Replay replay;
    if (!decodeReplay(bytes, replay, verdict.reason)) return verdict;
    verdict.reason = headerMismatch(replay.header, mode, level);
    if (verdict.reason.empty()) verdict.reason = framesProblem(replay, mode);
    if (!verdict.reason.empty()) return verdict;
    verdict.outcome = playReplayHeadless(replay);
    verdict.playedMs = replayPlayedMs(replay);
    verdict.reason = outcomeProblem(verdict.outcome, score);
    verdict.verified = verdict.reason.empty();
    return verdict;
}
