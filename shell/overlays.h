// Debug overlays switched from the console, the console itself, and the
// game's own cursor.
#pragma once

#include <string>
#include <vector>

#include "base/profiler.h"

// The profiler tree, frame-rate line, particle counter, atlas pages and the
// open console, in that order.
void renderDebugOverlays();
void renderConsole();
void renderCursor();
// Cursor image for the current screen and shot colour.
std::string cursorTextureName();

// One line of the profiler overlay: sibling sections of one label merged.
struct ProfileRow {
    std::string label;
    int depth;
    int count;
    double totalMs;
};
std::vector<ProfileRow> profileRows(const std::vector<ProfileSection>& sections);
