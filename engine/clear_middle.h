// The fully transparent middle of an image: an edge glow or a frame drawn
// over the whole window need not be drawn where it shows nothing.
#pragma once

#include <map>
#include <string>

// A rectangle centred on the image in which every texel, and every texel
// linear filtering reaches from it, has alpha 0; half its width and height
// as fractions of the image's (0.25 = the middle half). {0, 0}: none.
struct ClearMiddle {
    float halfWidth, halfHeight;
};

extern std::map<std::string, ClearMiddle> clearMiddles;  // by texture name; set as images load

// The clear middle of width x height texels of 4 bytes, alpha last.
ClearMiddle findClearMiddle(const unsigned char* texels, int width, int height);
// The clear middle of a loaded texture; {0, 0} when it has none or is not loaded.
ClearMiddle clearMiddleOf(const std::string& name);
