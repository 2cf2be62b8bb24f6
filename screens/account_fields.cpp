#include "screens/account_fields.h"

#include <string>

#include "base/game_state.h"
#include "engine/fonts.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "settings/settings.h"

constexpr size_t minimumFieldLength = 4;
constexpr float fieldFitShare = 0.875f;
// Rough width of one glyph until the account-screen font is loaded.
constexpr float assumedFontPixels = 16.0f;
constexpr float assumedGlyphWidthRatio = 0.6f;

static float fieldTextWidth(const std::string& text) {
    if (!mediumFont.listBase)
        return static_cast<float>(text.size()) * assumedFontPixels * assumedGlyphWidthRatio;
    return measureAccountText(text);
}

void (*startLoginRequest)() = resetLoginAttempt;
float (*measureFieldText)(const std::string& text) = fieldTextWidth;

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
    return measureFieldText(shown) * field.factor <
           static_cast<float>(ScreenHeight) * field.share * fieldFitShare;
}

void typeIntoAccountField(int32_t virtualKey, bool upperCase) {
    const TextField* field = currentTextField();
    if (!field || !fieldKey(virtualKey)) return;
    std::string& text = *field->text;
    if (virtualKey == vk::Back) {
        if (!text.empty()) text.pop_back();
    } else if (virtualKey == vk::Return) {
        submitField(*field);
    } else {
        std::string typed = text + keyCharacter(virtualKey, upperCase, loginStep == emailStep);
        if (candidateFits(*field, typed)) text = typed;
    }
}

bool loginHidesCursor() {
    return loginStep == connectingStep || loginStep == loggingInStep;
}
