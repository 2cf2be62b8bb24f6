// Texts the game shows that are content, not code: copied from the sources.
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/assets/generated_asset.h"

std::vector<GeneratedAsset> collectTexts(const std::string& assetSourceDir) {
    std::string path = assetSourceDir + "/credits_page.txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return {{"text\\credits.txt", bytes}};
}
