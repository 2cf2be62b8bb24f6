#include "screens/pause.h"

#include <cmath>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "game/meter.h"
#include "game/play.h"
#include "game/server_link.h"
#include "game/tutorials.h"
#include "online/account.h"
#include "screens/options.h"
#include "screens/tutorial_cards.h"
#include "settings/settings.h"

static constexpr float windowWidthShare = 0.6f, windowHeightShare = 0.3f;
static constexpr float buttonUnitShare = 0.03f;
static constexpr float menuButtonSteps = 6.0f, menuButtonLines = 1.575f;
static constexpr float pairButtonSteps = 4.0f, promptButtonSteps = 8.0f, pairButtonLines = 1.4f;
static constexpr float menuLift = 0.45f, menuStep = 0.5f * 0.9f * 3.75f;
static constexpr float questionDrop = 0.03f, promptDrop = 0.12f, buttonLift = 0.4f;
static constexpr float pairSpread = 0.15f, pairTextShare = 0.75f;
static constexpr float promptCycleMs = 4000.0f, dotStepMs = 1000.0f;
static constexpr float veilAlpha = 150.0f;
static constexpr float cardHintLines = 2.0f;

static float fontHeight() {
    return mediumFont.h;
}
// whole(0.03 W): the step of every overlay button's width.
static float widthStep() {
    return std::floor(buttonUnitShare * screenW());
}

PausePanel shownPausePanel() {
    if (play.tutorialShowing) return PanelCard;
    if (resetQuestion) return PanelResetQuestion;
    if (serverLink.connectionPrompt) return PanelConnection;
    return PanelMenu;
}

const char* connectionTitle() {
    static const char* const connecting[] = {"Connecting", "Connecting.", "Connecting..",
                                             "Connecting..."};
    if (serverLink.offlineWarning) return "Offline!";
    if (serverLink.promptConnected) return "Connected!";
    int dots = static_cast<int>(serverLink.promptClock / dotStepMs);
    return connecting[dots < 0 ? 0 : (dots > 3 ? 3 : dots)];
}

// ---- the buttons of each panel ----

static MenuButton pauseMenuButton(int32_t item, const char* label, int k) {
    float f = fontHeight();
    float y = screenH() / 2 - menuLift * f + f * menuStep * k;
    return {item, {screenW() / 2, y}, {menuButtonSteps * widthStep(), menuButtonLines * f}, label};
}

// "Yes"/"No" and "Back"/"Continue": left and right of the centre, drawn in by
// their widths as getWidth measures them (half the printed width).
static MenuButton pairButton(int32_t item, const char* label, bool left, float y) {
    float spread = pairSpread * screenH() - pairTextShare * freetype::getWidth(mediumFont, label);
    float x = screenW() / 2 + (left ? -spread : spread);
    return {item, {x, y}, {pairButtonSteps * widthStep(), pairButtonLines * fontHeight()}, label};
}

static float promptButtonY() {
    return screenH() / 2 + promptDrop * screenH() - buttonLift * fontHeight();
}

static int connectionButtons(MenuButton* out) {
    float y = promptButtonY();
    if (serverLink.offlineWarning) {
        out[0] = pairButton(PromptBack, "Back", true, y);
        out[1] = pairButton(PromptContinue, "Continue", false, y);
        return 2;
    }
    Vec2 size = {promptButtonSteps * buttonUnitShare * screenW(), pairButtonLines * fontHeight()};
    if (serverLink.promptConnected) {
        out[0] = {PromptResume, {screenW() / 2, y}, size, "Resume"};
    } else {
        out[0] = {PromptOffline, {screenW() / 2, y}, size, "Continue in offline mode"};
    }
    return 1;
}

int pauseButtons(MenuButton* buttons, int capacity) {
    MenuButton all[4];
    int count = 0;
    switch (shownPausePanel()) {
        case PanelCard:
            break;
        case PanelResetQuestion: {
            float y = screenH() / 2 + questionDrop * screenH() - buttonLift * fontHeight();
            all[count++] = pairButton(ResetYes, "Yes", true, y);
            all[count++] = pairButton(ResetNo, "No", false, y);
            break;
        }
        case PanelConnection:
            count = connectionButtons(all);
            break;
        case PanelMenu:
            all[count++] = pauseMenuButton(PauseResume, "Resume", -1);
            all[count++] = pauseMenuButton(PauseRestart, "Restart", 0);
            all[count++] = pauseMenuButton(PauseOptions, "Options", 1);
            all[count++] = pauseMenuButton(PauseQuit, "Quit", 2);
            break;
    }
    int n = count < capacity ? count : capacity;
    for (int i = 0; i < n; i++) buttons[i] = all[i];
    return n;
}

bool findPauseButton(int32_t item, MenuButton& button) {
    MenuButton buttons[4];
    int count = pauseButtons(buttons, 4);
    for (int i = 0; i < count; i++) {
        if (buttons[i].item != item) continue;
        button = buttons[i];
        return true;
    }
    return false;
}

// ---- what the buttons do ----

void clickPauseItem(int32_t item) {
    choosePauseItem(item);
    if (item == PauseOptions) optionsFromGame = true;
    if (item == PromptContinue) switchToOfflineMode();
}

// ---- the frame ----

static int32_t hoveredPauseItem() {
    MenuButton buttons[4];
    int count = pauseButtons(buttons, 4);
    int32_t hovered = 0;  // every button is offered to the focus
    for (int i = 0; i < count; i++)
        if (menuButtonHovered(buttons[i]) && !hovered) hovered = buttons[i].item;
    return hovered;
}

void updatePause(float dtMs) {
    ProfileScope section("updatePause");
    bool clicked = takePauseClick();
    if (!play.paused) return;
    if (serverLink.connectionPrompt) {
        serverLink.promptClock += dtMs;
        if (serverLink.promptClock > promptCycleMs) serverLink.promptClock -= promptCycleMs;
    }
    hoverItem = shownPausePanel() == PanelCard ? 0 : hoveredPauseItem();
    if (clicked) clickPauseItem(hoverItem);
}

// ---- drawing ----

static void drawTitle(const std::string& text, float y) {
    drawMenuLabel(text, screenW() / 2, y);
}

static void drawWindow() {
    float w = screenW(), h = screenH();
    drawUntexturedRect(0, 0, w, h, 0, 0, 0, veilAlpha);
    Render2D({w / 2, h / 2}, {windowWidthShare * h, windowHeightShare * h}, AnchorCentre,
             "popupwindow.tga", 255.0f);
}

// The window's first text line, a little below its top edge.
static float windowTitleY() {
    return screenH() / 2 - windowHeightShare * screenH() / 2 + 1.6f * fontHeight();
}

static void drawConnectionText() {
    drawTitle(connectionTitle(), windowTitleY());
    float step = fontHeight() * 1.1f, y = windowTitleY() + 1.5f * step;
    if (serverLink.offlineWarning) {
        for (const char* line :
             {"Playing in offline mode will disable", "Achievements, Rankings & Leaderboards.",
              "You will need to restart the game to", "re-enable online play."}) {
            drawMenuLabel(line, screenW() / 2, y, 0.6f);
            y += step * 0.75f;
        }
    } else if (!serverLink.promptConnected) {
        drawMenuLabel("Connecting...", screenW() / 2, y, 0.75f);
    }
}

static void drawPanelText(PausePanel panel) {
    if (panel == PanelMenu) drawTitle("Game Paused", windowTitleY());
    if (panel == PanelConnection) drawConnectionText();
    if (panel == PanelResetQuestion) {
        float y = windowTitleY() + fontHeight() * 1.2f;
        drawMenuLabel("Would you like to reset the tutorials?", screenW() / 2, y, 0.8f);
    }
}

void renderPause() {
    ProfileScope section("renderPause");
    PausePanel panel = shownPausePanel();
    if (panel == PanelCard) {
        renderTutorial();
        drawMenuLabel("Click to Continue", screenW() / 2, screenH() - cardHintLines * fontHeight());
        return;
    }
    drawWindow();
    drawPanelText(panel);
    MenuButton buttons[4];
    int count = pauseButtons(buttons, 4);
    for (int i = 0; i < count; i++) drawMenuButton(buttons[i], hoverItem == buttons[i].item);
}
