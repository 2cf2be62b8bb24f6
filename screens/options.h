// The options: resolution, quality, volumes and controls; also reachable
// from the pause menu, where the first four rows (those that need a
// restart) are locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/menu_base.h"

extern bool optionsFromGame;  // opened from the pause menu; cleared on the way back to the game
extern bool restartNeeded;    // a restart row was changed; never cleared while the program runs
extern bool resetTutorialsChosen;  // "Reset Tutorials" shows "Reset"
extern int32_t hoverDirection;     // -1 on a row's "<", +1 on its ">"

enum OptionsItem : int32_t {
    OptionResolution = 1,
    OptionFullscreen = 2,
    OptionQuality = 3,
    OptionVSync = 4,
    OptionResetTutorials = 5,
    OptionMusicVol = 6,
    OptionSoundVol = 7,
    OptionBack = 8,
    OptionSave = 9,
    OptionMouseButtons = 10,
    OptionColorblind = 11,
    OptionMasterVol = 12,
};

// The rows that need a restart, locked while optionsFromGame.
bool optionNeedsRestart(int32_t item);
// One click on a row's arrow: the row's wrap, clamp or toggle rule; false
// when the row is locked or the item is no row.
bool changeOption(int32_t item, int32_t direction);
// The value a row shows.
std::string optionValueText(int32_t item);
// The line at the bottom of the screen: why the display rows are locked
// (opened from the pause menu) or that saving will restart; "" for none.
std::string optionsNoteText();
// "Save" and "Back", as the click handler runs them.
void saveOptions();
void leaveOptionsUnsaved();
// loadSettings without touching the running window's size, which only a
// restart changes, or the mute key's state.
void reloadSettingsKeepingWindow();

// Both arrows of every row, then Back and Save.
std::vector<HitArea> optionsHitAreas();
// Where every row prints its label and value, one rectangle per row.
std::vector<IntRect> optionsRowExtents();

void UpdateOptions(float dtMs);
void renderOptions();
void clickOptions(int32_t item);
