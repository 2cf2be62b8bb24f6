// The two fonts the game prints with, taken from Debian's font packages.
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/assets/generated_asset.h"

const char* const displayFontPath = "/usr/share/fonts/opentype/jura/Jura-Bold.otf";
const char* const sansBoldFontPath =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

static std::string readFontFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in || bytes.str().empty())
        throw std::runtime_error(std::string(path) + ": font missing (run scripts/setup)");
    return bytes.str();
}

std::vector<GeneratedAsset> collectFonts() {
    return {{"fonts\\prototype.ttf", readFontFile(displayFontPath)},
            {"fonts\\arialbd.ttf", readFontFile(sansBoldFontPath)}};
}
