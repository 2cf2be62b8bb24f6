// The Login screen: the stored or typed account logs in; an unreachable
// server offers offline mode or another try.
#include "screens/login.h"

#include "base/game_state.h"
#include "base/profiler.h"
#include "engine/fonts.h"
#include "online/account.h"
#include "platform/system.h"
#include "protocol/encodings.h"
#include "screens/account_text.h"
#include "settings/settings.h"

float loginDotsTimer = 0.0f;

static constexpr float dotsCycleMs = 4000.0f, msPerDot = 1000.0f;
static constexpr float hintScale = 0.5f;
static const char* const enterHint = "(Minimum 4 characters. Press Enter to continue)";

static const MenuRow entryButtons[] = {{1, 3, "Create a New Profile", ""},
                                       {2, 4, "Account Retrieval", ""}};
static const MenuRow offlineButtons[] = {{1, 3, "Play in Offline Mode", ""},
                                         {2, 4, "Retry Connection", ""}};
static const MenuRow backButton[] = {{1, 3, "Back", ""}};
static const StepButtons loginButtons[] = {
    {nameStep, entryButtons, 2},
    {passwordStep, entryButtons, 2},
    {offlineStep, offlineButtons, 2},
    {loginFailedStep, backButton, 1},
};
static constexpr int loginButtonSteps = sizeof(loginButtons) / sizeof(loginButtons[0]);

std::string loggingInText(float dotsTimerMs) {
    int dots = static_cast<int>(dotsTimerMs / msPerDot);
    if (dots > 3) dots = 3;
    return "Logging In" + std::string(dots < 0 ? 0 : dots, '.');
}

void UpdateLogin(float dtMs) {
    ProfileScope section("UpdateLogin");
    if (loginStep == connectingStep) {
        loginDotsTimer += dtMs;
        if (loginDotsTimer > dotsCycleMs) loginDotsTimer -= dotsCycleMs;
        if (!loginIssued && serverLink.connectionMode != ConnectionOffline) issueLogin();
    }
    hoverItem = hoveredStepButton(loginButtons, loginButtonSteps);
}

// Left-aligned where the full "Logging In..." would be centred, so the dots do not move it.
static void drawLoggingIn() {
    Vec2 centre = menuRowCentre(0);
    float halfWidth = freetype::getWidth(mediumFont, "Logging In...");
    printShadowed(loggingInText(loginDotsTimer), centre.x - halfWidth, centre.y, 2, AlignLeft, 1,
                  255, 255, 255, 255, mediumFont);
}

static void drawLoginStep() {
    switch (loginStep) {
        case nameStep:
            drawAccountLine("Username:", -1);
            drawAccountField(Username, false, 0);
            drawAccountLine(enterHint, 1, hintScale);
            break;
        case passwordStep:
            drawAccountLine("Password:", -1);
            drawAccountField(loginPassword, true, 0);
            drawAccountLine(enterHint, 1, hintScale);
            break;
        case offlineStep:
            drawAccountLine("Unable to connect to game server.", -1);
            drawAccountLine(
                "Online Ranking, Skillpoints and Achievements are unavailable in Offline Mode.", 0,
                hintScale);
            break;
        case connectingStep:
            drawLoggingIn();
            break;
        case loginFailedStep:
            drawAccountLine("Login failed", -1);
            break;
        default:
            break;
    }
}

void renderLogin() {
    ProfileScope section("renderLogin");
    renderMenuBase();
    // The first frame draws the waiting text; the login starts on the next.
    if (loginStep == loggingInStep) loginStep = connectingStep;
    drawLoginStep();
    drawStepButtons(loginButtons, loginButtonSteps);
}

static void retryConnection() {
    loginStep = loggingInStep;
    resetLoginAttempt();
    serverLink.connectionMode = ConnectionOnline;
}

void clickLogin(int32_t item) {
    if ((loginStep == nameStep || loginStep == passwordStep) && item == 2) {
        platformOpenUrl(accountRetrievalUrl);
    } else if (loginStep == nameStep && item == 1) {
        GameState = LoginToCreateAcc;
    } else if (loginStep == offlineStep && item == 1) {
        GameState = LoginToMenu;
    } else if (loginStep == offlineStep && item == 2) {
        retryConnection();
    } else if (loginStep == loginFailedStep && item == 1) {
        clearAccountFields();
        playAccountClick();
    }
}
