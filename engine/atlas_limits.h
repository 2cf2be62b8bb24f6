// The atlas sides the images must fit. The asset builder checks every image
// against these same numbers, so no image reaches a driver that cannot hold it.
#pragma once

#include <cstdint>

// An atlasSize below this loads the small images ("textures\small\").
constexpr int32_t smallTexturesBelow = 2048;
// Full-size images load into atlases of smallTexturesBelow texels and up.
constexpr int32_t maxFullImageSide = smallTexturesBelow;
// Small images must fit the smallest atlas drivers give in practice.
constexpr int32_t maxSmallImageSide = smallTexturesBelow / 2;
