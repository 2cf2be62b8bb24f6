// The Login screen: server choice, the login itself and offline mode.
#pragma once

#include <cstdint>
#include <string>

extern float loginDotsTimer;  // ms, 0..4000, animates "Logging In"

void UpdateLogin(float dtMs);
void renderLogin();
void clickLogin(int32_t item);
// "Logging In" and 0 to 3 dots, one more each second of the timer.
std::string loggingInText(float dotsTimerMs);
