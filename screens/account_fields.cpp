#include "screens/account_fields.h"

#include <string>

#include "base/game_state.h"
#include "engine/fonts.h"
#include "online/account.h"
#include "platform/input_state.h"
#include "platform/key_text.h"
#include "protocol/account_limits.h"
#include "settings/settings.h"

constexpr size_t minimumFieldLength = 4;
constexpr float fieldFitShare = 0.875f;
// Rough width of one glyph (as getWidth counts it) until the font is loaded.
constexpr float assumedFontPixels = 16.0f;
constexpr float assumedGlyphWidthRatio = 0.3f;

// Width of a field's shown text in the account font (an estimate until it
// is loaded). The field rule's measured width is getWidth's; the rule's
// factor then stands for the rest of the printed width, so nothing here
// doubles it.
static float fieldTextWidth(const std::string& text) {
    if (!mediumFont.listBase)
        return static_cast<float>(text.size()) * assumedFontPixels * assumedGlyphWidthRatio;
    return freetype::getWidth(mediumFont, text);
}

struct TextField {
    int32_t screen;
    int32_t step;
    std::string* text;
    bool password;     // measured as one "*" per character
    float factor;      // measured width x factor must stay below the share
    float share;       // of ScreenHeight
    int32_t nextStep;  // Enter with enough characters; 0 compares the retyped password
    size_t longest;    // characters the server takes in this field
};

static const TextField textFields[] = {
    {CreateAcc, emailStep, &emailText, false, 1.5f, 0.5f, nameStep, accountEmailLongest},
    {CreateAcc, nameStep, &Username, false, 2.0f, 0.3f, checkNameStep, accountNameLongest},
    {CreateAcc, passwordStep, &loginPassword, true, 2.0f, 0.3f, retypeStep, accountPasswordLongest},
    {CreateAcc, retypeStep, &retypedPassword, true, 2.0f, 0.3f, 0, accountPasswordLongest},
    {Login, nameStep, &Username, false, 2.0f, 0.3f, passwordStep, accountNameLongest},
    {Login, passwordStep, &loginPassword, true, 2.0f, 0.3f, loggingInStep, accountPasswordLongest},
};

static const TextField* currentTextField() {
    for (const TextField& field : textFields) {
        if (field.screen == GameState && field.step == loginStep) return &field;
    }
    return nullptr;
}

bool typingIntoAccountField() {
    return currentTextField() != nullptr;
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
    if (field.nextStep == loggingInStep) resetLoginAttempt();
}

// Narrow letters could fit more than the server takes: the length stops them too.
static bool candidateFits(const TextField& field, const std::string& candidate) {
    if (candidate.size() > field.longest) return false;
    std::string shown = field.password ? std::string(candidate.size(), '*') : candidate;
    return fieldTextWidth(shown) * field.factor <
           static_cast<float>(ScreenHeight) * field.share * fieldFitShare;
}

// Appends what the stroke types when the field still has room for it.
static void typeCharacter(const TextField& field, const KeyStroke& stroke) {
    bool email = field.step == emailStep;
    std::string typed = keyCharacter(stroke.virtualKey, stroke.upperCase, stroke.shift, email);
    if (!typed.empty() && candidateFits(field, *field.text + typed)) *field.text += typed;
}

// Ctrl+V or Shift+Insert, as the key event found the modifiers.
static bool pasteChord(int32_t virtualKey) {
    return (virtualKey == 'V' && platformKeyHeld(vk::Control)) ||
           (virtualKey == vk::Insert && platformKeyHeld(vk::Shift));
}

// Each pasted character is typed as its own key would type it, so the field
// takes what typing could give it and stops where typing would. The e-mail
// field's text is replaced by the paste; the others take it after theirs.
static void pasteIntoField(const TextField& field) {
    if (field.step == emailStep) field.text->clear();
    bool email = field.step == emailStep;
    for (char c : platformClipboardText()) {
        KeyStroke stroke = keyStrokeFor(c);
        std::string typed = keyCharacter(stroke.virtualKey, stroke.upperCase, stroke.shift, email);
        if (typed == std::string(1, c)) typeCharacter(field, stroke);
    }
}

void typeIntoAccountField(int32_t virtualKey, bool upperCase) {
    const TextField* field = currentTextField();
    if (!field) return;
    if (pasteChord(virtualKey)) {
        pasteIntoField(*field);
    } else if (!fieldKey(virtualKey)) {
        return;
    } else if (virtualKey == vk::Back) {
        if (!field->text->empty()) field->text->pop_back();
    } else if (virtualKey == vk::Return) {
        submitField(*field);
    } else {
        typeCharacter(*field, {virtualKey, upperCase, platformKeyHeld(vk::Shift)});
    }
}

bool loginHidesCursor() {
    return loginStep == connectingStep || loginStep == loggingInStep;
}
