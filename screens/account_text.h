// What the Login and CreateAcc screens share: their button rows, the
// click sound, and the lines they print (titles, fields and hints).
#pragma once

#include <cstdint>
#include <string>

#include "screens/menu_base.h"

// The row table of one loginStep's buttons; count 0 when the step has none.
struct StepButtons {
    int32_t step;
    const MenuRow* rows;
    int count;
};

// The buttons of the current loginStep in a screen's table.
const StepButtons* buttonsOfStep(const StepButtons* table, int count);
// hoverItem from the current step's buttons; 0 when the step has none.
int32_t hoveredStepButton(const StepButtons* table, int count);
void drawStepButtons(const StepButtons* table, int count);
// A line of the screen at menu row k, at scale.
void drawAccountLine(const std::string& text, float row, float scale = 1.0f);
// A text field: the typed text (stars when masked) with a blinking caret.
void drawAccountField(const std::string& text, bool masked, float row);
void playAccountClick();
// Back to the first step with the name and both passwords cleared.
void clearAccountFields();
