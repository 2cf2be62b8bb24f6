// What the autoplay bot sees of the mass, the way a player sees it: the faces
// drawn towards the camera that no other block hides, where they are on the
// screen, and the colour groups as far as they show. Hidden faces, blocks
// seen from nowhere and where flying blocks will land are not part of it.
#pragma once

#include <cstdint>
#include <vector>

struct SeenFace {
    int32_t slot, face;  // a resting block and one of its Direction faces
    float x, y;          // the face centre in window pixels
};

struct BotView {
    std::vector<SeenFace> faces;     // in slot order, then face order
    std::vector<int32_t> groupOf;    // per slot: its group among the seen blocks, -1 unseen
    std::vector<int32_t> groupSize;  // seen blocks per group
};

// Looks at the mass with the camera of the last frame.
void lookAtMass(BotView& view);
// Whether the face is drawn and nothing stands between its centre and the eye.
bool faceInSight(int32_t slot, int32_t face);
// The face centre in window pixels; false when it lies outside the view.
bool faceScreenPoint(int32_t slot, int32_t face, float& x, float& y);
// The size of the group of `colour` a shot at `seen` would make, counting
// only seen blocks: the shot's own block and the seen groups it would touch.
int32_t groupWithShot(const BotView& view, const SeenFace& seen, int32_t colour);
