// The asset builder's shared types: every generator returns its assets by
// archive name ("textures\\red.tga", "sounds\\tick.ogg") with their bytes.
#pragma once

#include <string>
#include <vector>

struct GeneratedAsset {
    std::string name;   // archive key, backslash-separated
    std::string bytes;  // the file's content
};

// Every texture, full size under "textures\\" and half size under "textures\\small\\".
std::vector<GeneratedAsset> generateImages();
// Every sound as Ogg Vorbis under "sounds\\".
std::vector<GeneratedAsset> generateSounds();
// The meshes under "meshes\\".
std::vector<GeneratedAsset> generateMeshes();
// The ten levels under "levels\\", converted from the text sources in assetSourceDir.
std::vector<GeneratedAsset> generateLevels(const std::string& assetSourceDir);
// Content texts under "text\\" (the credits page's names), copied from assetSourceDir.
std::vector<GeneratedAsset> collectTexts(const std::string& assetSourceDir);
// The two fonts under "fonts\\", copied from Debian's font packages.
std::vector<GeneratedAsset> collectFonts();

// Path of a Debian font file the images may draw text with (also packed as a font).
extern const char* const displayFontPath;  // the futuristic face packed as "prototype.ttf"
extern const char* const sansBoldFontPath; // Liberation Sans Bold, packed as "arialbd.ttf"
