#include "platform/key_text.h"

#include "platform/input_state.h"

std::string keyCharacter(int32_t virtualKey, bool upperCase, bool emailField) {
    bool shift = platformKeyHeld(vk::Shift);
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
