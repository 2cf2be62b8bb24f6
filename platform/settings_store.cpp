// The settings store on disk: a small "Name=text" file that is replaced
// atomically, so a crash or a full disk never leaves half a file behind.
#include "platform/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/system.h"

std::string settingsDirOverride;

static const char settingsFileName[] = "settings.ini";
static const char settingsSubFolder[] = "/Brisko/Zentrix";
static const char utf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr unsigned char firstPrintable = 0x20;
constexpr unsigned char lastPrintable = 0x7E;

static std::string homeDirectory() {
    const char* home = getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

static std::string settingsDirectory() {
    if (!settingsDirOverride.empty()) return settingsDirOverride;
    const char* configHome = getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    std::string base =
        (configHome && configHome[0] == '/') ? configHome : homeDirectory() + "/.config";
    return base + settingsSubFolder;
}

std::string settingsFilePath() {
    return settingsDirectory() + "/" + settingsFileName;
}

// Opens without blocking and only regular files, so a FIFO or a folder at
// the path cannot hang or confuse the reader.
static int openRegularFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads at most limit bytes; truncated tells whether the file held more.
// The buffer grows with what is read, so a small file costs a small buffer.
static std::string readUpTo(int fd, size_t limit, bool& truncated) {
    constexpr size_t chunkBytes = 16 * 1024;
    std::string data;
    size_t filled = 0;
    while (filled <= limit) {
        data.resize(std::min(filled + chunkBytes, limit + 1));
        ssize_t got = read(fd, &data[filled], data.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    truncated = filled > limit;
    data.resize(truncated ? limit : filled);
    return data;
}

static bool isPrintableName(const std::string& name) {
    if (name.empty() || name.size() > settingsNameLimit) return false;
    for (unsigned char c : name) {
        if (c < firstPrintable || c > lastPrintable) return false;
    }
    return true;
}

// One line without its line feed; false when the line is damaged.
static bool parseLine(std::string line, std::map<std::string, std::string>& values) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    std::string name = line.substr(0, equals);
    // A stored text may or may not carry its terminating NUL.
    std::string value = line.substr(equals + 1);
    value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
    // A line break cannot be written back, so a stray one is not read either:
    // what loads is what the next save keeps.
    value.erase(std::remove(value.begin(), value.end(), '\r'), value.end());
    if (!isPrintableName(name) || value.size() > settingsValueLimit) return false;
    values[name] = value;
    return true;
}

static void parseStore(const std::string& text, std::map<std::string, std::string>& values,
                       SettingsStoreDamage& damage) {
    size_t start = text.compare(0, 3, utf8ByteOrderMark) == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        bool blank = line.empty() || line == "\r";
        if (!blank && !parseLine(line, values)) damage.skippedLines++;
        start = end + 1;
    }
}

std::string settingsFolderFile(const std::string& name) {
    return settingsDirectory() + "/" + name;
}

bool readSettingsFolderFile(const std::string& name, size_t limit, std::string& bytes,
                            bool& truncated) {
    int fd = openRegularFile(settingsFolderFile(name));
    if (fd < 0) return false;
    bytes = readUpTo(fd, limit, truncated);
    close(fd);
    return true;
}

bool readSettingsStore(std::map<std::string, std::string>& values, SettingsStoreDamage* damage) {
    SettingsStoreDamage found;
    std::string text;
    if (!readSettingsFolderFile(settingsFileName, settingsFileLimit, text, found.truncated))
        return false;
    // The line cut by the size cap is incomplete: drop it.
    if (found.truncated) text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n'));
    parseStore(text, values, found);
    if (damage) *damage = found;
    return true;
}

static std::string storeText(const std::vector<std::pair<std::string, std::string>>& values) {
    std::string text;
    for (const auto& [name, value] : values) {
        text += name + "=";
        for (char c : value) {
            if (c != '\n' && c != '\r') text += c;
        }
        text += '\n';
    }
    return text;
}

static bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Makes the rename itself durable; a failure here loses nothing.
static void syncDirectory(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool writeSettingsFolderFile(const std::string& name, const std::string& bytes) {
    std::string folder = settingsDirectory();
    // Creating the temporary file below tells whether the folder is usable.
    platformMakeDirectories(folder);
    std::string tempPath = folder + "/" + name + ".XXXXXX";
    int fd = mkostemp(&tempPath[0], O_CLOEXEC);
    if (fd < 0) return false;
    bool written = writeAll(fd, bytes) && fsync(fd) == 0;
    int failure = errno;
    if (close(fd) != 0 && written) written = false, failure = errno;
    if (written && rename(tempPath.c_str(), settingsFolderFile(name).c_str()) != 0)
        written = false, failure = errno;
    if (!written) {
        unlink(tempPath.c_str());
        // The caller reports why: the write's own failure, not the clean-up's.
        errno = failure;
        return false;
    }
    syncDirectory(folder);
    return true;
}

bool removeSettingsFolderFile(const std::string& name) {
    return unlink(settingsFolderFile(name).c_str()) == 0 || errno == ENOENT;
}

bool writeSettingsStore(const std::vector<std::pair<std::string, std::string>>& values) {
    return writeSettingsFolderFile(settingsFileName, storeText(values));
}
