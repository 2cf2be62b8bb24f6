// The Login screen: server choice, the login itself and offline mode.
#pragma once

#include <cstdint>

void UpdateLogin(float dtMs);
void renderLogin();
void clickLogin(int32_t item);
