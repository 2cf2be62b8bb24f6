// Start-up and shutdown of the game once its window exists.
#pragma once

#include <cstdint>
#include <string>

extern std::string osName;        // system version, sent with the login
extern std::string cpuName;       // processor name, "" when unknown
extern std::string ramMegabytes;  // total memory in MiB, decimal text
extern std::string glVersion;     // GL_VERSION
extern std::string videoCard;     // GL_RENDERER
extern std::string manufacturer;  // GL_VENDOR
extern bool isNvidia;             // manufacturer begins with "NVIDIA"

// Reads the anisotropy the atlas may use; off on a software rasteriser.
// Needs videoCard (GL_RENDERER) read first.
void readTextureCapabilities();
bool startupGame();
void shutdownGame();
