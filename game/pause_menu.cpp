#include "game/pause_menu.h"

#include "base/game_state.h"
#include "base/player_settings.h"
#include "base/pointer.h"
#include "game/meter.h"
#include "game/play.h"
#include "game/play_effects.h"
#include "game/replay_recorder.h"
#include "game/server_link.h"
#include "game/tutorials.h"

bool resetQuestion = false;

bool takePauseClick() {
    if (resetQuestion || serverLink.connectionPrompt) play.paused = true;
    if (!play.paused || play.tutorialShowing || !leftDown) return false;
    leftDown = false;
    return GameState == Game;
}

static void answerResetQuestion(bool reset) {
    resetQuestion = false;
    if (!reset) {
        play.paused = false;
        return;
    }
    clearTutorialFlags();
    saveChangedSettings();
    showTutorialCard(CardControl);
}

void choosePauseItem(int32_t item) {
    if (item == 0) return;
    recordReplayEvent(ReplayPauseChoice, item);
    switch (item) {
        case PauseResume:
        case PromptContinue:
            play.paused = false;
            break;
        case PauseRestart:
            play.paused = false;
            requestRestart();
            break;
        case PauseOptions:
            play.paused = false;
            GameState = GameToOptions;
            break;
        case PauseQuit:
            play.paused = false;
            GameState = GameToMenu;
            break;
        case ResetYes:
        case ResetNo:
            answerResetQuestion(item == ResetYes);
            break;
        case PromptOffline:
            serverLink.offlineWarning = true;
            break;
        case PromptBack:
            serverLink.offlineWarning = false;
            break;
        case PromptResume:
            play.paused = false;
            serverLink.promptConnected = false;
            serverLink.connectionPrompt = false;
            break;
        default:
            break;
    }
}
