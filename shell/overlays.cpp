// The debug overlays, the console panel and the cursor, all in 2D mode.
#include "shell/overlays.h"

#include <algorithm>
#include <cstdio>

#include "base/console_log.h"
#include "base/frame_state.h"
#include "base/game_state.h"
#include "base/pointer.h"
#include "engine/draw2d.h"
#include "engine/fonts.h"
#include "engine/gl_caps.h"
#include "engine/particles.h"
#include "engine/textures.h"
#include "game/meter.h"
#include "game/play.h"
#include "screens/curl_console.h"
#include "settings/settings.h"
#include "shell/console.h"
#include "shell/program.h"

static constexpr float overlayMargin = 32.0f;
static constexpr float lineSpacing = 1.5f;  // line height in font heights
static constexpr float profileIndent = 16.0f;
static constexpr float consolePanelAlpha = 210.0f;
static constexpr float cursorShare = 0.04f;
static constexpr float opaque = 255.0f;
static constexpr float shadowOffset = 2.0f;

static float smallLine() {
    return smallFont.h * lineSpacing;
}

static std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// ---- profiler tree ----

// Skips the children of the section at i; gives the next sibling or parent.
static size_t afterChildren(const std::vector<ProfileSection>& sections, size_t i) {
    size_t next = i + 1;
    while (next < sections.size() && sections[next].depth > sections[i].depth) next++;
    return next;
}

// The row this section joins: the latest row of the same parent and label.
static ProfileRow* siblingRow(std::vector<ProfileRow>& rows, const ProfileSection& section) {
    for (size_t r = rows.size(); r-- > 0;) {
        if (rows[r].depth < section.depth) return nullptr;
        if (rows[r].depth == section.depth)
            return rows[r].label == section.label ? &rows[r] : nullptr;
    }
    return nullptr;
}

std::vector<ProfileRow> profileRows(const std::vector<ProfileSection>& sections) {
    std::vector<ProfileRow> rows;
    for (size_t i = 0; i < sections.size();) {
        const ProfileSection& section = sections[i];
        double ms = section.endMs >= 0 ? section.endMs - section.startMs : 0;
        ProfileRow* row = siblingRow(rows, section);
        if (row) {
            // A repeated call: counted into its first row, its children folded away.
            row->count++;
            row->totalMs += ms;
            i = afterChildren(sections, i);
            continue;
        }
        rows.push_back({section.label, section.depth, 1, ms});
        i++;
    }
    return rows;
}

static void renderProfilerTree() {
    // Starts below the atlas caption, which shares the top-left corner.
    float y = overlayMargin + mediumFont.h + smallLine() * 2;
    for (const ProfileRow& row : profileRows(lastFrameProfile)) {
        std::string text = row.label + formatted("  %.2f ms", row.totalMs);
        if (row.count > 1) text += "  x" + std::to_string(row.count);
        printShadowed(text, overlayMargin + row.depth * profileIndent, y, 1, AlignLeft, 1, opaque,
                      opaque, opaque, opaque, smallFont);
        y += smallLine();
        if (y > ScreenHeight) break;
    }
}

// ---- frame rate and particles ----

static void printTopRight(const std::string& text, int line) {
    float y = overlayMargin + smallLine() * (line + 1);
    printShadowed(text, ScreenWidth - overlayMargin, y, 1, AlignRight, 1, opaque, opaque, opaque,
                  opaque, smallFont);
}

static void renderFpsLine() {
    printTopRight(formatted("%.1f fps", averageFps) + formatted("  %.2f ms", frameTime), 0);
}

static void renderParticleCounter() {
    std::string text = "particles " + std::to_string(particlesDrawn) + " (max " +
                       std::to_string(particleCountMax) + ")" +
                       formatted("  particleDeg %.2f", particleDeg);
    printTopRight(text, 1);
}

// ---- atlas pages ----

static void renderAtlasOverlay() {
    if (atlasPages.empty()) return;
    float width = static_cast<float>(ScreenWidth), height = static_cast<float>(ScreenHeight);
    float side = std::min(height / atlasPages.size(), width / 2);
    for (size_t page = 0; page < atlasPages.size(); page++) {
        bindAtlasPage(static_cast<int>(page));
        Render2D({0, height - page * side}, {side, side}, AnchorBottomLeft, "atlas", opaque);
    }
    printShadowed(std::to_string(atlasSize) + " texel atlas", overlayMargin,
                  overlayMargin + mediumFont.h, shadowOffset, AlignLeft, 1, opaque, opaque, opaque,
                  opaque, mediumFont);
}

// ---- console ----

static std::string suggestionLine() {
    std::string line;
    for (const ConsoleWord* word : consoleSuggestions(consoleLine)) {
        if (!line.empty()) line += "   ";
        line += word->word;
        if (!word->hint.empty()) line += " " + word->hint;
    }
    return line;
}

// Text lines counted up from the bottom edge: line 0 is the input line.
static float consoleBaseline(int line) {
    return ScreenHeight - smallLine() * (line + 0.5f);
}

void renderConsole() {
    int lines = static_cast<int>(consoleHistory.size()) + 2;
    glColor4ub(0, 0, 0, static_cast<GLubyte>(consolePanelAlpha));
    Render2D({0, static_cast<float>(ScreenHeight)},
             {static_cast<float>(ScreenWidth), smallLine() * (lines + 0.5f)}, AnchorBottomLeft, "",
             keepColour);
    std::string input = "> " + consoleLine + (blinkOn ? "_" : "");
    freetype::print(input, overlayMargin, consoleBaseline(0), AlignLeft, 1, opaque, opaque, opaque,
                    opaque, smallFont);
    freetype::print(suggestionLine(), overlayMargin, consoleBaseline(1), AlignLeft, 1, 255, 200, 60,
                    opaque, smallFont);
    int line = 2;
    for (auto text = consoleHistory.rbegin(); text != consoleHistory.rend(); ++text, ++line)
        freetype::print(*text, overlayMargin, consoleBaseline(line), AlignLeft, 1, 190, 190, 190,
                        opaque, smallFont);
}

void renderDebugOverlays() {
    if (profilingOn) renderProfilerTree();
    if (showFps) renderFpsLine();
    if (showParticleCount) renderParticleCounter();
    if (showAtlas) renderAtlasOverlay();
    if (consoleOpen) renderConsole();
    if (showCurlConsole) renderCurlConsole();
}

// ---- cursor ----

std::string cursorTextureName() {
    static const char* const colourCursors[] = {
        "cursor.tga",        "cursor_yellow.tga", "cursor_blue.tga", "cursor_red.tga",
        "cursor_orange.tga", "cursor_pink.tga",   "cursor.tga",      "cursor_green.tga",
    };
    bool playing =
        GameState == Game && play.playStarted && meter.levelClearTimer == 0 && !play.paused;
    if (!playing || play.currentColour < 1 || play.currentColour > 7) return "cursor.tga";
    return colourCursors[play.currentColour];
}

void renderCursor() {
    float side = ScreenWidth * cursorShare;
    Render2D({static_cast<float>(mouseX), static_cast<float>(mouseY)}, {side, side}, AnchorCentre,
             cursorTextureName(), opaque);
}
