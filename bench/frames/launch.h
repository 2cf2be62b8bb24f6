// Launch to the first interactive screen from a fresh profile, and the
// process's resident memory beside the texture atlas's share of it.
#pragma once

#include <string>

// Runs start-up and the frame loop at wall-clock steps from a fresh settings
// folder until the Login screen offers offline play; prints the time since
// launch and the memory there. Returns the exit status.
int measureLaunch(int width, int height, const std::string& configDir);

// "resident N MB, atlas pages M MB (P %)" for the process as it is now.
std::string residentMemoryLine();
