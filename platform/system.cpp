#include "platform/system.h"

#include <SDL.h>
#include <dirent.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char** environ;

uint64_t platformCounter() {
    return SDL_GetPerformanceCounter();
}
uint64_t platformCounterFrequency() {
    return SDL_GetPerformanceFrequency();
}
double platformMsSince(uint64_t counter) {
    return static_cast<double>(platformCounter() - counter) * 1000.0 /
           static_cast<double>(platformCounterFrequency());
}
// Milliseconds since the machine booted, so each launch seeds differently.
uint32_t platformTicksMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    return static_cast<uint32_t>(ms);
}
void platformSleep(uint32_t ms) {
    SDL_Delay(ms);
}

// The value after "key" and the separator on the first line that starts with key.
static std::string readKeyedLine(const char* path, const std::string& key, char separator) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        size_t at = line.find(separator);
        if (at == std::string::npos) continue;
        std::string value = line.substr(at + 1);
        value.erase(0, value.find_first_not_of(" \t\""));
        while (!value.empty() && (value.back() == '"' || value.back() == ' ')) value.pop_back();
        return value;
    }
    return "";
}

std::string platformOsName() {
    std::string name = readKeyedLine("/etc/os-release", "PRETTY_NAME=", '=');
    if (!name.empty()) return name;
    struct utsname system;
    if (uname(&system) != 0) return "";
    return std::string(system.sysname) + " " + system.release;
}

std::string platformCpuName() {
    return readKeyedLine("/proc/cpuinfo", "model name", ':');
}

uint64_t platformTotalMemoryBytes() {
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

static std::string readLink(const std::string& path) {
    char buffer[4096];
    ssize_t length = readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    if (length <= 0) return "";
    return std::string(buffer, static_cast<size_t>(length));
}

std::string platformExecutablePath() {
    return readLink("/proc/self/exe");
}

std::string platformWorkingDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof(buffer)) ? buffer : "";
}

static bool isProcessId(const char* name) {
    if (!*name) return false;
    for (const char* c = name; *c; c++)
        if (*c < '0' || *c > '9') return false;
    return true;
}

// A program whose file was replaced while it ran reads "PATH (deleted)"; it is still PATH.
static std::string withoutDeletedMark(const std::string& name) {
    static const std::string mark = " (deleted)";
    if (name.size() > mark.size() &&
        name.compare(name.size() - mark.size(), mark.size(), mark) == 0)
        return name.substr(0, name.size() - mark.size());
    return name;
}

std::vector<ProcessInfo> platformListProcesses() {
    std::vector<ProcessInfo> processes;
    DIR* proc = opendir("/proc");
    if (!proc) return processes;
    while (dirent* entry = readdir(proc)) {
        if (!isProcessId(entry->d_name)) continue;
        std::string folder = std::string("/proc/") + entry->d_name;
        struct stat info;
        if (stat(folder.c_str(), &info) != 0) continue;
        std::string target = readLink(folder + "/exe");
        processes.push_back({atoi(entry->d_name), static_cast<uint32_t>(info.st_uid),
                             target.empty() ? "" : withoutDeletedMark(target)});
    }
    closedir(proc);
    return processes;
}

int32_t platformOwnPid() {
    return static_cast<int32_t>(getpid());
}

uint32_t platformOwnUid() {
    return static_cast<uint32_t>(getuid());
}

bool platformAskProcessToQuit(int32_t pid) {
    return kill(pid, SIGTERM) == 0;
}

bool platformKillProcess(int32_t pid) {
    return kill(pid, SIGKILL) == 0;
}

bool platformOpenUrl(const std::string& url) {
    return SDL_OpenURL(url.c_str()) == 0;
}

bool platformStartProgram(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

bool platformMakeExecutable(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    return chmod(path.c_str(), info.st_mode | S_IXUSR | S_IXGRP | S_IXOTH) == 0;
}

std::string platformLocalAppDataDir() {
    const char* dataHome = getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) return dataHome;
    const char* home = getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share";
}

std::string platformStateHomeDir() {
    const char* stateHome = getenv("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is invalid and must be ignored.
    if (stateHome && stateHome[0] == '/') return stateHome;
    const char* home = getenv("HOME");
    return std::string(home ? home : ".") + "/.local/state";
}

bool platformChangeDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

bool platformMakeDirectories(const std::string& path) {
    for (size_t at = 1; at <= path.size(); at++) {
        if (at < path.size() && path[at] != '/') continue;
        std::string prefix = path.substr(0, at);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string platformHardwareAddresses() {
    std::string addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return addresses;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        auto* link = reinterpret_cast<sockaddr_ll*>(entry->ifa_addr);
        if (link->sll_halen != 6) continue;
        bool allZero = true;
        for (int i = 0; i < 6; i++) allZero &= link->sll_addr[i] == 0;
        if (!allZero) addresses.append(reinterpret_cast<const char*>(link->sll_addr), 6);
    }
    freeifaddrs(list);
    return addresses;
}

bool platformMessageBox(const std::string& text, const std::string& caption) {
    Uint32 flags = caption == "Warning" ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
    return SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) == 0;
}

std::vector<std::string> platformListFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_type == DT_REG) names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}
