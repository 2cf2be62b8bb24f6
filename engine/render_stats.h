// What each pass of a frame asks of the GL: texture binds, texture-matrix
// loads, capability switches, blend-function changes and draw calls, and on
// request the samples it writes (one occlusion query a pass). Counting is off
// in the game; the frame bench switches it on for the frames it inspects.
#pragma once

#include <cstdint>

enum RenderPass {
    PassOther,       // clearing, cursor, fade, overlays: whatever no pass below claims
    PassBackground,  // the full-screen background image
    PassStars,       // the star field
    PassBlocks,      // the mass and the aiming preview
    PassParticles,   // the particle bursts
    PassTexts,       // the floating score texts
    PassBlur,        // the motion blur
    PassHud,         // the death flash and the HUD
    PassCount
};

struct PassCounts {
    int64_t binds;         // glBindTexture of an atlas page or a glyph page
    int64_t matrixLoads;   // texture-matrix loads selecting an image
    int64_t switches;      // glEnable / glDisable that reach the GL
    int64_t blendChanges;  // glBlendFunc that reach the GL
    int64_t draws;         // draw calls (a glyph of a string counts as one)
    uint64_t samples;      // samples written, while passSamplesOn
};

extern bool renderStatsOn;                // count calls into passCounts
extern bool passSamplesOn;                // also count samples per pass (stalls the GL)
extern PassCounts passCounts[PassCount];  // totals since the bench last cleared them
extern RenderPass currentPass;            // the pass the calls are counted to

// The calls that follow belong to pass (the previous pass ends here).
void enterRenderPass(RenderPass pass);
// The frame is drawn: the open sample count is closed and added to its pass.
void endRenderPasses();
void clearPassCounts();
const char* renderPassName(RenderPass pass);

inline PassCounts* countedPass() {
    return renderStatsOn ? &passCounts[currentPass] : nullptr;
}
inline void countBind() {
    if (PassCounts* counts = countedPass()) counts->binds++;
}
inline void countMatrixLoad(int64_t loads = 1) {
    if (PassCounts* counts = countedPass()) counts->matrixLoads += loads;
}
inline void countSwitch() {
    if (PassCounts* counts = countedPass()) counts->switches++;
}
inline void countBlendChange() {
    if (PassCounts* counts = countedPass()) counts->blendChanges++;
}
// A framebuffer copy writes pixels no sample query sees; the window's pixels
// are touched all the same, so the bench's floor counts them as samples.
inline void countCopiedPixels(uint64_t pixels) {
    if (renderStatsOn && passSamplesOn) passCounts[currentPass].samples += pixels;
}
inline void countDraws(int64_t draws) {
    if (PassCounts* counts = countedPass()) counts->draws += draws;
}
