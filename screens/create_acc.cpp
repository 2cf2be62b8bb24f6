// The CreateAcc screen: e-mail, name (checked with the server), password
// twice, then the registration; the new account then logs in.
#include "screens/create_acc.h"

#include "base/game_state.h"
#include "base/profiler.h"
#include "online/account.h"
#include "screens/account_text.h"
#include "settings/settings.h"

static constexpr float hintScale = 0.5f;
static const char* const enterHint = "(Minimum 4 characters. Press Enter to continue)";

static const MenuRow existingProfileButton[] = {{1, 3, "Use an Existing Profile", ""}};
static const MenuRow backButton[] = {{1, 3, "Back", ""}};
static const StepButtons createButtons[] = {
    {emailStep, existingProfileButton, 1},
    {nameTakenStep, backButton, 1},
    {mismatchStep, backButton, 1},
    {offlineStep, backButton, 1},
};
static constexpr int createButtonSteps = sizeof(createButtons) / sizeof(createButtons[0]);

void UpdateCreateAcc(float) {
    ProfileScope section("UpdateCreateAcc");
    if (loginStep == checkingNameStep) {
        loginStep = checkNameAvailable();
    } else if (loginStep == registeringStep) {
        loginStep = registerAccount();
        if (loginStep == loggingInStep) GameState = CreateAccToLogin;
    }
    hoverItem = hoveredStepButton(createButtons, createButtonSteps);
}

static void drawEntryStep(const char* label, const std::string& text, bool masked) {
    drawAccountLine(label, -1);
    drawAccountField(text, masked, 0);
    drawAccountLine(enterHint, 1, hintScale);
}

static void drawCreateStep() {
    switch (loginStep) {
        case emailStep:
            drawAccountLine("Email:", -1);
            drawAccountField(emailText, false, 0);
            drawAccountLine("(Type or paste your email. Press Enter to continue)", 1, hintScale);
            drawAccountLine("Email is used for account retrieval only.", 1.5f, hintScale);
            break;
        case nameStep:
            drawEntryStep("New Player Name:", Username, false);
            break;
        case passwordStep:
            drawEntryStep("New Password:", loginPassword, true);
            break;
        case retypeStep:
            drawEntryStep("Retype Password:", retypedPassword, true);
            break;
        case nameTakenStep:
            drawAccountLine("Name is taken", -1);
            break;
        case mismatchStep:
            drawAccountLine("Password does not match", -1);
            break;
        case checkingNameStep:
            drawAccountLine("Checking name availablility...", -1);
            break;
        case registeringStep:
            drawAccountLine("Registering...", -1);
            break;
        case offlineStep:
            drawAccountLine("Error", -1);
            break;
        default:
            break;
    }
}

// The first frames of the blocking steps: their text is on screen before the program stalls.
static void advanceFirstFrame() {
    if (loginStep == checkNameStep)
        loginStep = checkingNameStep;
    else if (loginStep == registerStep)
        loginStep = registeringStep;
}

void renderCreateAcc() {
    ProfileScope section("renderCreateAcc");
    renderMenuBase();
    advanceFirstFrame();
    drawCreateStep();
    drawStepButtons(createButtons, createButtonSteps);
}

void clickCreateAcc(int32_t item) {
    if (item != 1) return;
    if (loginStep == emailStep) {
        GameState = Login;
        loginStep = nameStep;
    } else if (loginStep == nameTakenStep || loginStep == mismatchStep ||
               loginStep == offlineStep) {
        clearAccountFields();
        playAccountClick();
    }
}
