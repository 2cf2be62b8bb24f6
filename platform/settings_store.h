// The settings store: one "Name=text" line per value in
// $XDG_CONFIG_HOME/Brisko/Zentrix/settings.ini (fallback ~/.config).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

extern std::string settingsDirOverride;  // --config-dir; empty means the XDG folder

constexpr size_t settingsNameLimit = 256;          // longer names are skipped when read
constexpr size_t settingsValueLimit = 4096;        // longer values are skipped when read
constexpr size_t settingsFileLimit = 1024 * 1024;  // bytes read at most from the file

// What a read had to leave out of a damaged file.
struct SettingsStoreDamage {
    size_t skippedLines = 0;  // lines with no "=", a bad name or an over-long value
    bool truncated = false;   // the file is larger than settingsFileLimit
};

std::string settingsFilePath();

// Files of the game's own beside the settings, kept the same way: read as
// regular files only, up to `limit` bytes (truncated tells whether more was
// there), and replaced atomically, so a crash or a full disk leaves the old
// file whole. A failed write leaves errno saying why.
std::string settingsFolderFile(const std::string& name);
bool readSettingsFolderFile(const std::string& name, size_t limit, std::string& bytes,
                            bool& truncated);
bool writeSettingsFolderFile(const std::string& name, const std::string& bytes);
// True when the file is gone, or was never there.
bool removeSettingsFolderFile(const std::string& name);

// Reads every well-formed line; false when there is no store yet.
// Damaged lines are skipped, so a half-written file still gives what it holds.
// A value ends at its first NUL; later duplicates of a name win.
bool readSettingsStore(std::map<std::string, std::string>& values,
                       SettingsStoreDamage* damage = nullptr);

// Writes all values at once through a temporary file and rename,
// creating the folder when needed; false when the store cannot be written
// (the old file then stays as it was). Line breaks in a value cannot be
// stored in a line and are dropped.
bool writeSettingsStore(const std::vector<std::pair<std::string, std::string>>& values);
