// zentrix-assets: builds every asset of the game in code and packs them into
// the archive the game reads; can also draw a contact sheet and export WAVs.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "tools/assets/archive_writer.h"
#include "tools/assets/program_icon.h"
#include "tools/assets/review_aids.h"

static const char headerText[] = "Zentrix asset archive";
static const char usage[] =
    "usage: zentrix-assets [--out ARCHIVE] [--sources DIR] [--contact-sheet PNG] [--wav DIR]\n"
    "       zentrix-assets --icons DIR\n";

struct BuilderOptions {
    std::string out;
    std::string sources = "assets";
    std::string contactSheet;
    std::string wavDirectory;
    std::string iconFolder;  // --icons: only the desktop icons, no archive
};

static bool parseOptions(int argc, char** argv, BuilderOptions& options) {
    std::map<std::string, std::string*> values{{"--out", &options.out},
                                               {"--sources", &options.sources},
                                               {"--contact-sheet", &options.contactSheet},
                                               {"--wav", &options.wavDirectory},
                                               {"--icons", &options.iconFolder}};
    for (int i = 1; i < argc; i += 2) {
        auto option = values.find(argv[i]);
        if (option == values.end() || i + 1 >= argc) return false;
        *option->second = argv[i + 1];
    }
    return !options.out.empty() || !options.contactSheet.empty() || !options.wavDirectory.empty() ||
           !options.iconFolder.empty();
}

static void append(std::vector<GeneratedAsset>& all, std::vector<GeneratedAsset> more) {
    for (GeneratedAsset& asset : more) all.push_back(std::move(asset));
}

static std::vector<GeneratedAsset> generateAll(const std::string& sources) {
    std::vector<GeneratedAsset> assets;
    append(assets, generateImages());
    append(assets, generateSounds());
    append(assets, generateMeshes());
    append(assets, generateLevels(sources));
    append(assets, collectFonts());
    append(assets, collectTexts(sources));
    return assets;
}

static std::string countsByFolder(const std::vector<GeneratedAsset>& assets) {
    std::map<std::string, int> counts;
    for (const GeneratedAsset& asset : assets)
        ++counts[asset.name.substr(0, asset.name.find('\\'))];
    std::string text;
    for (const auto& [folder, count] : counts)
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + folder;
    return text;
}

static bool writeArchive(const std::vector<GeneratedAsset>& assets, const std::string& path) {
    std::string error;
    std::string index = buildArchiveIndex(headerText, assets, error);
    std::string packed = index.empty() ? std::string() : gzipArchive(index, assets);
    if (packed.empty() || !writeFileReplacing(path, packed)) {
        std::fprintf(stderr, "zentrix-assets: cannot write %s %s\n", path.c_str(), error.c_str());
        return false;
    }
    size_t dataBytes = 0;
    for (const GeneratedAsset& asset : assets) dataBytes += asset.bytes.size();
    std::printf("zentrix-assets: %zu assets (%s), %zu bytes, %zu compressed -> %s\n", assets.size(),
                countsByFolder(assets).c_str(), index.size() + dataBytes, packed.size(),
                path.c_str());
    return true;
}

static bool writeReviewAids(const std::vector<GeneratedAsset>& assets,
                            const BuilderOptions& options) {
    std::string error;
    bool ok =
        options.contactSheet.empty() || writeContactSheet(assets, options.contactSheet, error);
    ok = ok && (options.wavDirectory.empty() || writeWavFiles(assets, options.wavDirectory, error));
    if (!ok) std::fprintf(stderr, "zentrix-assets: %s\n", error.c_str());
    return ok;
}

static int writeIcons(const std::string& folder) {
    std::string error;
    if (writeProgramIcons(folder, error)) return 0;
    std::fprintf(stderr, "zentrix-assets: %s\n", error.c_str());
    return 1;
}

int main(int argc, char** argv) {
    BuilderOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!options.iconFolder.empty()) return writeIcons(options.iconFolder);
    std::vector<GeneratedAsset> assets;
    try {
        assets = orderAssets(generateAll(options.sources));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "zentrix-assets: %s\n", failure.what());
        return 1;
    }
    std::vector<std::string> problems = findAssetProblems(assets);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "zentrix-assets: %s\n", problem.c_str());
    if (!problems.empty()) return 1;
    if (!options.out.empty() && !writeArchive(assets, options.out)) return 1;
    return writeReviewAids(assets, options) ? 0 : 1;
}
