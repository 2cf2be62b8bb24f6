// The renderer's floor for a frame: what the same number of fragments costs
// when drawn as large textured, blended quads with nothing else in the frame.
// The scene's fragments are counted with occlusion queries around its draw.
#pragma once

#include <cstdint>
#include <vector>

// Starts counting the samples that reach the frame buffer.
void beginFragmentCount();
// Stops counting and returns the samples counted since beginFragmentCount.
uint64_t endFragmentCount();

struct FloorResult {
    double quadLayers;    // full-window quads drawn per frame (fraction = partial quad)
    double p50Ms, p95Ms;  // frame times: clear, the quads, swap
    double emptyP50Ms;    // clear and swap alone: what presenting a frame costs
};

// Draws frames of clear + quads + swap holding fragments samples each and
// times them; the window's size and multisampling are the scene's own.
FloorResult measureFloor(uint64_t fragments, int frames);

// The value at share (0..1) of the sorted values, nearest rank.
double percentile(std::vector<double> values, double share);
