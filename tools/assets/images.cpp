// Every texture of the game, drawn in code: full size and half size.
#include "tools/assets/images_common.h"

std::vector<GeneratedAsset> generateImages() {
    std::vector<GeneratedAsset> out;
    addBlockImages(out);
    addBackdropImages(out);
    addHudImages(out);
    addIconImages(out);
    addAchievementImages(out);
    addTutorialImages(out);
    return out;
}
