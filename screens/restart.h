// The restart screen: relaunches the program after a change that needs it.
#pragma once

#include <cstdint>

// Starts the program file again with the arguments it was given and quits
// this copy; installed by the shell at start-up (null: nothing happens).
extern void (*relaunchProgram)();

void UpdateRestart(float dtMs);
void renderRestart();
