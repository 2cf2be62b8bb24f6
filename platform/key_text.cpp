#include "platform/key_text.h"

#include "platform/input_state.h"

std::string keyCharacter(int32_t virtualKey, bool upperCase, bool shift, bool emailField) {
    if (virtualKey >= '0' && virtualKey <= '9') {
        if (virtualKey == '2' && shift && emailField) return "@";
        return std::string(1, static_cast<char>(virtualKey));
    }
    if (virtualKey == vk::OemMinus) return shift ? "_" : "-";
    if (virtualKey == vk::OemPeriod) return emailField ? "." : "";
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        char letter = static_cast<char>(virtualKey);
        return std::string(1, upperCase ? letter : static_cast<char>(letter - 'A' + 'a'));
    }
    if (virtualKey >= firstLetterKey && virtualKey <= lastLetterKey) {
        return std::string(1, static_cast<char>(virtualKey));
    }
    return "";
}

KeyStroke keyStrokeFor(char c) {
    if (c >= 'a' && c <= 'z') return {c - 'a' + 'A', false, false};
    if (c >= 'A' && c <= 'Z') return {c, true, true};
    if (c >= '0' && c <= '9') return {c, false, false};
    if (c == '@') return {'2', false, true};
    if (c == '-') return {vk::OemMinus, false, false};
    if (c == '_') return {vk::OemMinus, false, true};
    if (c == '.') return {vk::OemPeriod, false, false};
    return {0, false, false};
}
