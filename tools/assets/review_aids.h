// Aids for reviewing the content by eye and ear: a contact sheet of every
// image and every sound decoded to WAV.
#pragma once

#include <string>
#include <vector>

#include "tools/assets/generated_asset.h"

// Every full-size texture with its name and size, drawn into one PNG.
bool writeContactSheet(const std::vector<GeneratedAsset>& assets, const std::string& pngPath,
                       std::string& error);
// Every sound decoded to 16-bit PCM WAV as "<directory>/<name>.wav".
bool writeWavFiles(const std::vector<GeneratedAsset>& assets, const std::string& directory,
                   std::string& error);
