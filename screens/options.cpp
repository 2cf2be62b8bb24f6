#include "screens/options.h"

#include <algorithm>

#include "base/game_state.h"
#include "base/pointer.h"
#include "base/profiler.h"
#include "engine/fonts.h"
#include "engine/gl_caps.h"
#include "screens/button_focus.h"
#include "screens/menu_base.h"
#include "settings/settings.h"
#include "sound/sound.h"

bool optionsFromGame = false;
bool restartNeeded = false;
bool resetTutorialsChosen = false;
int32_t hoverDirection = 0;

// One row of the options table: r, item and label.
struct OptionRow {
    float row;
    int32_t item;
    const char* label;
};
static const OptionRow optionRows[] = {
    {0, OptionResolution, "Resolution"},
    {1, OptionFullscreen, "Fullscreen"},
    {2, OptionQuality, "Visual Quality"},
    {3, OptionVSync, "VSync"},
    {4, OptionResetTutorials, "Reset Tutorials"},
    {5, OptionMasterVol, "Master Vol"},
    {6, OptionMusicVol, "Music Vol"},
    {7, OptionSoundVol, "Sound Vol"},
    {8, OptionMouseButtons, "Mouse Buttons"},
    {9, OptionColorblind, "Colorblind Mode"},
};

// The title grid's bright rails run at 0.26 H and 0.74 H: the title, ten
// rows and the buttons all fit between them at any window size.
static constexpr float rowsTopShare = 0.37f, rowStep = 1.17f;
static constexpr float labelShare = 0.3f, valueShare = 0.64f;
static constexpr float leftArrowShare = 0.58f, rightArrowShare = 0.70f;
static constexpr float textScale = 0.8f;
static constexpr float buttonRow = 10.5f;
static constexpr float backShare = 0.42f, saveShare = 0.58f;
static constexpr float buttonWidthSteps = 4.0f, buttonHeightLines = 1.4f, buttonUnitShare = 0.03f;
static constexpr float titleRow = -3.5f;
static constexpr int32_t lowestQuality = lowestVisualQuality, highestQuality = highestVisualQuality;
static constexpr int32_t controlSchemes = 3;
static constexpr float volumeTickGain = 0.25f;

static float rowY(float row) {
    return rowsTopShare * ScreenHeight + menuLineHeight() * rowStep * row;
}

// ---- the rules ----

bool optionNeedsRestart(int32_t item) {
    return item >= OptionResolution && item <= OptionVSync;
}

static int32_t toggled(int32_t value) {
    return value == 0 ? 1 : 0;
}

static void stepResolution(int32_t direction) {
    int32_t count = static_cast<int32_t>(displayModes.size());
    if (count == 0) return;
    resolutionIndex = ((resolutionIndex + direction) % count + count) % count;
}

bool changeOption(int32_t item, int32_t direction) {
    if (optionsFromGame && optionNeedsRestart(item)) return false;
    switch (item) {
        case OptionResolution:
            stepResolution(direction);
            break;
        case OptionFullscreen:
            Fullscreen = toggled(Fullscreen);
            break;
        case OptionQuality:
            VisualQuality = std::clamp(VisualQuality + direction, lowestQuality, highestQuality);
            break;
        case OptionVSync:
            VSync = toggled(VSync);
            break;
        case OptionResetTutorials:
            resetTutorialsChosen = !resetTutorialsChosen;
            break;
        case OptionMasterVol:
            MasterVol = std::clamp(MasterVol + direction, lowestVolume, highestVolume);
            Muted = 0;  // turning the master volume brings the sound back
            PlaySound("stab6.ogg", volumeTickGain, 1.0f);
            break;
        case OptionMusicVol:
            MusicVol = std::clamp(MusicVol + direction, lowestVolume, highestVolume);
            break;
        case OptionSoundVol:
            SoundVol = std::clamp(SoundVol + direction, lowestVolume, highestVolume);
            PlaySound("stab6.ogg", volumeTickGain, 1.0f);
            break;
        case OptionMouseButtons:
            controls = ((controls + direction) % controlSchemes + controlSchemes) % controlSchemes;
            break;
        case OptionColorblind:
            Colorblind = toggled(Colorblind);
            break;
        default:
            return false;
    }
    if (optionNeedsRestart(item)) restartNeeded = true;
    return true;
}

static std::string resolutionText() {
    bool known = resolutionIndex >= 0 && size_t(resolutionIndex) < displayModes.size();
    float width = known ? displayModes[resolutionIndex].first : ScreenWidth;
    float height = known ? displayModes[resolutionIndex].second : ScreenHeight;
    return std::to_string(static_cast<int>(width)) + "x" + std::to_string(static_cast<int>(height));
}

std::string optionValueText(int32_t item) {
    static const char* const qualities[] = {"Low", "Medium", "High", "Ultra"};
    static const char* const schemes[] = {"Normal", "Reversed", "Single"};
    switch (item) {
        case OptionResolution:
            return resolutionText();
        case OptionFullscreen:
            return Fullscreen ? "Fullscreen" : "Windowed";
        case OptionQuality:
            return qualities[std::clamp(VisualQuality, lowestQuality, highestQuality) - 1];
        case OptionVSync:
            return VSync ? "On" : "Off";
        case OptionResetTutorials:
            return resetTutorialsChosen ? "Reset" : "Off";
        case OptionMasterVol:
            return Muted ? "Muted (M)" : std::to_string(static_cast<int>(MasterVol));
        case OptionMusicVol:
            return std::to_string(static_cast<int>(MusicVol));
        case OptionSoundVol:
            return std::to_string(static_cast<int>(SoundVol));
        case OptionMouseButtons:
            return schemes[std::clamp(controls, 0, controlSchemes - 1)];
        case OptionColorblind:
            return Colorblind ? "On" : "Off";
        default:
            return "";
    }
}

static int32_t optionsExit() {
    return optionsFromGame ? OptionsToGame : OptionsToMenu;
}

void reloadSettingsKeepingWindow() {
    int32_t width = ScreenWidth, height = ScreenHeight, muted = Muted;
    loadSettings();
    ScreenWidth = width;
    ScreenHeight = height;
    // The mute key is no option row: Back does not undo it.
    Muted = muted;
}

void saveOptions() {
    GameState = restartNeeded ? OptionsToRestart : optionsExit();
    if (resetTutorialsChosen) resetTutorials();
    saveSettings();
}

void leaveOptionsUnsaved() {
    GameState = optionsExit();
    resetTutorialsChosen = false;
    reloadSettingsKeepingWindow();
}

// ---- the screen ----

static IntRect arrowRect(const char* arrow, float share, float row) {
    return freetype::bbox(arrow, share * screenW(), rowY(row), mediumFont, AlignCentre, textScale);
}

static MenuButton optionsButton(int32_t item) {
    float unit = static_cast<float>(static_cast<int>(buttonUnitShare * screenW()));
    Vec2 size = {buttonWidthSteps * unit, buttonHeightLines * mediumFont.h};
    float y = rowY(buttonRow) - mediumFont.h * textScale * 0.35f;
    float x = (item == OptionBack ? backShare : saveShare) * screenW();
    return {item, {x, y}, size, item == OptionBack ? "Back" : "Save"};
}

std::vector<HitArea> optionsHitAreas() {
    std::vector<HitArea> areas;
    for (const OptionRow& row : optionRows) {
        areas.push_back({row.item, arrowRect("<", leftArrowShare, row.row)});
        areas.push_back({row.item, arrowRect(">", rightArrowShare, row.row)});
    }
    for (int32_t item : {OptionBack, OptionSave})
        areas.push_back({item, menuButtonRect(optionsButton(item))});
    return areas;
}

std::vector<IntRect> optionsRowExtents() {
    std::vector<IntRect> extents;
    float w = screenW();
    for (const OptionRow& row : optionRows) {
        IntRect label = freetype::bbox(row.label, labelShare * w, rowY(row.row), mediumFont,
                                       AlignLeft, textScale);
        IntRect right = arrowRect(">", rightArrowShare, row.row);
        extents.push_back({label.left, std::min(label.top, right.top), right.right,
                           std::max(label.bottom, right.bottom)});
    }
    return extents;
}

void UpdateOptions(float) {
    ProfileScope section("UpdateOptions");
    hoverItem = 0;
    hoverDirection = 0;
    for (const OptionRow& row : optionRows) {
        if (itemHovered(row.item, arrowRect("<", leftArrowShare, row.row))) {
            hoverItem = row.item;
            hoverDirection = -1;
        }
        if (itemHovered(row.item, arrowRect(">", rightArrowShare, row.row))) {
            hoverItem = row.item;
            hoverDirection = 1;
        }
    }
    for (int32_t item : {OptionBack, OptionSave})
        if (menuButtonHovered(optionsButton(item))) hoverItem = item;
}

static void printOption(const std::string& text, float x, float y, int align, float alpha) {
    printShadowed(text, x, y, 2, align, textScale, 255, 255, 255, alpha, mediumFont);
}

static void renderOptionRow(const OptionRow& row) {
    bool locked = optionsFromGame && optionNeedsRestart(row.item);
    float alpha = locked ? lockedAlpha : 255.0f;
    float y = rowY(row.row), w = screenW();
    printOption(row.label, labelShare * w, y, AlignLeft, alpha);
    printOption(optionValueText(row.item), valueShare * w, y, AlignCentre, alpha);
    bool hovered = hoverItem == row.item && !locked;
    if (hovered) {
        const char* arrow = hoverDirection < 0 ? "<" : ">";
        drawMenuHighlight(
            arrowRect(arrow, hoverDirection < 0 ? leftArrowShare : rightArrowShare, row.row));
    }
    printOption("<", leftArrowShare * w, y, AlignCentre, alpha);
    printOption(">", rightArrowShare * w, y, AlignCentre, alpha);
}

// The bottom line says what the screen will not do silently: why the
// display rows are locked, and that saving restarts the game.
std::string optionsNoteText() {
    if (optionsFromGame)
        return "Resolution, Fullscreen, Visual Quality and VSync can be changed from the main menu";
    if (restartNeeded) return "Saving will restart the game to apply the display settings";
    return "";
}

void renderOptions() {
    ProfileScope section("renderOptions");
    renderMenuBase();
    Vec2 title = menuRowCentre(titleRow);
    drawMenuLabel("Options Menu", title.x, title.y);
    for (const OptionRow& row : optionRows) renderOptionRow(row);
    for (int32_t item : {OptionBack, OptionSave})
        drawMenuButton(optionsButton(item), hoverItem == item);
    std::string note = optionsNoteText();
    if (!note.empty()) drawMenuDescription(note);
}

void clickOptions(int32_t item) {
    if (item == OptionSave) {
        saveOptions();
    } else if (item == OptionBack) {
        leaveOptionsUnsaved();
    } else {
        changeOption(item, hoverDirection);
    }
}
