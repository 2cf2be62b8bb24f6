// The restart screen: relaunches the program after a change that needs it.
#pragma once

#include <cstdint>

void UpdateRestart(float dtMs);
void renderRestart();
