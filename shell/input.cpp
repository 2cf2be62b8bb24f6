// Input: window events become the game-side button states, clicks go to the
// current screen, and key-down events type into the console or a text field.
#include "shell/input.h"

#include "game/play.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "screens/screens.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/game_state.h"

// Rough width of one glyph until the account-screen font measures real text.
constexpr float assumedFontPixels = 16.0f;
constexpr float assumedGlyphWidthRatio = 0.6f;

static float estimateTextWidth(const std::string& text) {
    return static_cast<float>(text.size()) * assumedFontPixels * assumedGlyphWidthRatio;
}

int32_t mouseX = 0, mouseY = 0;
bool leftDown = false, rightDown = false;
int32_t holdTime = 0;
int32_t rightHoldTime = 0;
float dragTime = 0.0f;
float dragOrigin[2] = {0.0f, 0.0f};
float listDragOrigin[2] = {0.0f, 0.0f};
float actionCount = 0.0f;
int32_t rotateCount = 0;
float (*measureTextWidth)(const std::string& text) = estimateTextWidth;
void (*startLoginRequest)() = nullptr;

constexpr int32_t rankingVisibleRows = 10;
constexpr int32_t firstAchievesPage = 1;
constexpr int32_t lastAchievesPage = 9;
// Sub-screens of Login and CreateAcc that own a text field or follow one.
constexpr int32_t nameStep = 1, passwordStep = 2, retypeStep = 3, mismatchStep = 5,
                  checkNameStep = 8, registerStep = 9, loggingInStep = 13, emailStep = 20;
constexpr size_t minimumFieldLength = 4;
constexpr float fieldFitShare = 0.875f;
constexpr int32_t highestKeyCode = 255;
constexpr int32_t firstLetterKey = 0x61, lastLetterKey = 0x7A;

// Screens where the buttons press (rather than click) and the game reads them.
static bool pressScreen() {
    return GameState == Game || GameState == ScoreScreen || GameState == Grats;
}

// Screens where a release clears the game-side button.
static bool releaseScreen() {
    return GameState == Game || GameState == ScoreScreen || GameState == Ranking ||
           GameState == RankingToMenu;
}

static bool countingInput() {
    return !paused && !tutorialShowing;
}

// A press during play that dragged longer than a click.
static bool playDrag() {
    return dragTime > dragClickMs && GameState == Game && playStarted;
}

static void startDrag() {
    dragOrigin[0] = listDragOrigin[0] = static_cast<float>(mouseX);
    dragOrigin[1] = listDragOrigin[1] = static_cast<float>(mouseY);
    dragTime = 0.0f;
}

void onMouseMove(int32_t x, int32_t y) {
    mouseX = x;
    mouseY = y;
}

void onLeftButtonDown() {
    if (pressScreen()) {
        leftDown = true;
        if (controls == 0 || controls == 2) {
            // Started high while paused so the release never reads as a short click.
            holdTime = paused ? pausedHoldStartMs : 0;
            startDrag();
        }
        return;
    }
    const GameStateEntry* entry = findGameState(GameState);
    if (entry && entry->click) entry->click(hoverItem);
    hoverItem = 0;
}

void onLeftButtonUp() {
    if (countingInput()) {
        if (controls == 0 && playDrag()) actionCount += 1.0f;
        if ((controls == 1 || controls == 2) && playStarted) actionCount += 1.0f;
    }
    if (releaseScreen()) {
        leftDown = false;
        if (controls == 0 && playDrag()) ++rotateCount;
    }
    // Single button: a short left click acts as a brief right press.
    if (controls == 2 && holdTime < shortClickMs && !tutorialShowing) {
        rightDown = true;
        rightHoldTime = 0;
        startDrag();
    }
}

void onRightButtonDown() {
    if (!pressScreen()) return;
    rightDown = true;
    if (controls == 1) startDrag();
}

void onRightButtonUp() {
    rightHoldTime = 0;
    if (countingInput()) {
        if (controls == 0 && playStarted) {
            actionCount += 1.0f;
        } else if (playDrag()) {
            actionCount += 1.0f;
        }
    }
    if (releaseScreen()) {
        rightDown = false;
        if (controls != 0 && playDrag()) ++rotateCount;
    }
}

static void scrollRanking(int32_t steps) {
    if (steps > 0 && rankingFirstRow > 0) --rankingFirstRow;
    if (steps < 0 && rankingFirstRow + rankingVisibleRows < rankingRowCount) ++rankingFirstRow;
}

static void turnAchievesPage(int32_t steps) {
    if (!achievesSlideResting) return;
    if (steps > 0 && achievesPage > firstAchievesPage) --achievesPage;
    if (steps < 0 && achievesPage < lastAchievesPage) ++achievesPage;
}

void onMouseWheel(int32_t steps) {
    if (steps == 0) return;
    if (GameState == Ranking) scrollRanking(steps);
    if (GameState == Achieves) turnAchievesPage(steps);
}

std::string keyCharacter(int32_t virtualKey, bool upperCase) {
    bool shift = platformKeyHeld(vk::Shift);
    if (virtualKey >= '0' && virtualKey <= '9') {
        if (virtualKey == '2' && shift && loginStep == emailStep) return "@";
        return std::string(1, static_cast<char>(virtualKey));
    }
    if (virtualKey == vk::OemMinus) return shift ? "_" : "-";
    if (virtualKey == vk::OemPeriod) return loginStep == emailStep ? "." : "";
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        char letter = static_cast<char>(virtualKey);
        return std::string(1, upperCase ? letter : static_cast<char>(letter - 'A' + 'a'));
    }
    // Keypad and function keys share their codes with the lower-case letters.
    if (virtualKey >= firstLetterKey && virtualKey <= lastLetterKey) {
        return std::string(1, static_cast<char>(virtualKey));
    }
    return "";
}

// The open console takes every key.
static void consoleKey(int32_t virtualKey, const std::string& character) {
    if (virtualKey == vk::Space) {
        consoleLine += ' ';
    } else if (virtualKey == vk::Back) {
        if (!consoleLine.empty()) consoleLine.pop_back();
    } else if (virtualKey == vk::Tab) {
        consoleLine = lastConsoleLine;
    } else if (virtualKey == vk::Return) {
        lastConsoleLine = consoleLine;
        consoleLine.clear();
        consoleOpen = false;
        runConsoleCommand(lastConsoleLine);
    } else {
        consoleLine += character;
    }
}

struct TextField {
    int32_t screen;
    int32_t step;
    std::string* text;
    bool password;     // measured as one "*" per character
    float factor;      // measured width x factor must stay below the share
    float share;       // of ScreenHeight
    int32_t nextStep;  // Enter with enough characters; 0 compares the retyped password
};

static const TextField textFields[] = {
    {CreateAcc, emailStep, &emailText, false, 1.5f, 0.5f, nameStep},
    {CreateAcc, nameStep, &Username, false, 2.0f, 0.3f, checkNameStep},
    {CreateAcc, passwordStep, &loginPassword, true, 2.0f, 0.3f, retypeStep},
    {CreateAcc, retypeStep, &retypedPassword, true, 2.0f, 0.3f, 0},
    {Login, nameStep, &Username, false, 2.0f, 0.3f, passwordStep},
    {Login, passwordStep, &loginPassword, true, 2.0f, 0.3f, loggingInStep},
};

static const TextField* currentTextField() {
    for (const TextField& field : textFields) {
        if (field.screen == GameState && field.step == loginStep) return &field;
    }
    return nullptr;
}

static bool fieldKey(int32_t virtualKey) {
    return (virtualKey >= '0' && virtualKey <= '9') || virtualKey == vk::OemMinus ||
           (virtualKey >= 'A' && virtualKey <= 'Z') ||
           (virtualKey >= firstLetterKey && virtualKey <= lastLetterKey) ||
           virtualKey == vk::Back || virtualKey == vk::Return ||
           (virtualKey == vk::OemPeriod && loginStep == emailStep);
}

static void submitField(const TextField& field) {
    // The retyped password is compared whatever its length.
    if (field.nextStep == 0) {
        loginStep = retypedPassword == loginPassword ? registerStep : mismatchStep;
        return;
    }
    if (field.text->size() < minimumFieldLength) return;
    loginStep = field.nextStep;
    if (field.nextStep == loggingInStep && startLoginRequest) startLoginRequest();
}

static bool candidateFits(const TextField& field, const std::string& candidate) {
    std::string shown = field.password ? std::string(candidate.size(), '*') : candidate;
    return measureTextWidth(shown) * field.factor <
           static_cast<float>(ScreenHeight) * field.share * fieldFitShare;
}

static void editField(const TextField& field, int32_t virtualKey, const std::string& character) {
    std::string& text = *field.text;
    if (virtualKey == vk::Back) {
        if (!text.empty()) text.pop_back();
    } else if (virtualKey == vk::Return) {
        submitField(field);
    } else if (candidateFits(field, text + character)) {
        text += character;
    }
}

void onKeyDown(int32_t virtualKey) {
    if (virtualKey < 0 || virtualKey > highestKeyCode) return;
    bool upperCase = platformCapsLockOn() != platformKeyHeld(vk::Shift);
    if (virtualKey == vk::Oem3 && platformKeyHeld(vk::LeftControl)) {
        consoleOpen = !consoleOpen;
        consoleLine.clear();
        return;
    }
    std::string character = keyCharacter(virtualKey, upperCase);
    if (consoleOpen) {
        consoleKey(virtualKey, character);
        return;
    }
    const TextField* field = currentTextField();
    if (field && fieldKey(virtualKey)) editField(*field, virtualKey, character);
}

std::string getClipboardText() {
    return platformClipboardText();
}

void updateHoldTimers(float dtMs) {
    // Whole milliseconds, as the timers are integers.
    int32_t wholeMs = static_cast<int32_t>(dtMs);
    if (leftDown) holdTime += wholeMs;
    if (rightDown) rightHoldTime += wholeMs;
    if (rightHoldTime > syntheticPressMs && controls == 2) rightDown = false;
}
