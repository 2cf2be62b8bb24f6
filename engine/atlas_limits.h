// The atlas sides the images must fit. The asset builder checks every image
// against these same numbers, so no image reaches a driver that cannot hold it.
#pragma once

#include <cstdint>

#include "engine/gl_caps.h"

// Full-size images load into atlases of smallTextureLimit texels and up.
constexpr int32_t maxFullImageSide = smallTextureLimit;
// Small images must fit the smallest atlas drivers give in practice.
constexpr int32_t maxSmallImageSide = smallTextureLimit / 2;
