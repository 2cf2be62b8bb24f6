// The --sound-log file: one line per play request, with the frame and the
// time it was made, so a recording can be lined up with the game's moments.
#pragma once

#include <cstdint>
#include <string>

#include "sound/sound.h"

// "frame N ms T name gain pitch", T in ms since the log was opened.
std::string soundLogLine(int64_t frame, int64_t ms, const SoundRequest& request);
// Appends every later play request to path, and "frame N ms T silenced" or
// "... sounding" when the window's focus silences every sound or lets them
// sound again; each line ends with " mixer M", the ms of sound the mixer had
// rendered then (-1 when the device cannot tell). False when the file cannot
// be opened.
bool startSoundLog(const std::string& path);
// Stops watching the requests and closes the file.
void stopSoundLog();
