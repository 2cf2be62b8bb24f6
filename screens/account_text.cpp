#include "screens/account_text.h"

#include "base/frame_state.h"
#include "base/game_state.h"
#include "online/account.h"
#include "settings/settings.h"
#include "sound/sound.h"

static constexpr float clickGain = 0.25f;

const StepButtons* buttonsOfStep(const StepButtons* table, int count) {
    for (int i = 0; i < count; i++)
        if (table[i].step == loginStep) return &table[i];
    return nullptr;
}

int32_t hoveredStepButton(const StepButtons* table, int count) {
    const StepButtons* buttons = buttonsOfStep(table, count);
    return buttons ? hoveredMenuRow(buttons->rows, buttons->count) : 0;
}

void drawStepButtons(const StepButtons* table, int count) {
    const StepButtons* buttons = buttonsOfStep(table, count);
    if (buttons) drawMenuRows(buttons->rows, buttons->count, hoverItem);
}

void drawAccountLine(const std::string& text, float row, float scale) {
    Vec2 centre = menuRowCentre(row);
    drawMenuLabel(text, centre.x, centre.y, scale);
}

void drawAccountField(const std::string& text, bool masked, float row) {
    std::string shown = masked ? std::string(text.size(), '*') : text;
    drawAccountLine(shown + (blinkOn ? "_" : " "), row);
}

void playAccountClick() {
    PlaySound("stab6.ogg", clickGain, 1.0f);
}

void clearAccountFields() {
    loginStep = nameStep;
    Username.clear();
    loginPassword.clear();
    retypedPassword.clear();
}
