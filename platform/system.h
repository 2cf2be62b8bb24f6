// Process, clock and machine services.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

uint64_t platformCounter();
uint64_t platformCounterFrequency();
// Milliseconds from an earlier platformCounter() reading to now.
double platformMsSince(uint64_t counter);
uint32_t platformTicksMs();
void platformSleep(uint32_t ms);

std::string platformOsName();   // PRETTY_NAME of /etc/os-release, else uname
std::string platformCpuName();  // "model name" of /proc/cpuinfo, "" when absent
uint64_t platformTotalMemoryBytes();
std::string platformExecutablePath();  // /proc/self/exe
std::string platformWorkingDirectory();

struct ProcessInfo {
    int32_t pid;
    uint32_t uid;         // the user the process runs as
    std::string program;  // full path of its executable, "" when unreadable
};
// Every process whose owner and program file this process may read.
std::vector<ProcessInfo> platformListProcesses();
int32_t platformOwnPid();
uint32_t platformOwnUid();
// SIGTERM: the program may end in its own way (the game logs out first).
bool platformAskProcessToQuit(int32_t pid);
// SIGKILL: the process ends at once.
bool platformKillProcess(int32_t pid);

bool platformOpenUrl(const std::string& url);
bool platformStartProgram(const std::string& path, const std::vector<std::string>& arguments);
// Adds the execute bits to a file the game wrote; false when it cannot.
bool platformMakeExecutable(const std::string& path);
std::string platformLocalAppDataDir();  // $XDG_DATA_HOME or ~/.local/share
bool platformMakeDirectories(const std::string& path);
// The names of the plain files in a folder, sorted; empty when it cannot be read.
std::vector<std::string> platformListFiles(const std::string& folder);
std::string platformStateHomeDir();  // $XDG_STATE_HOME or ~/.local/state
bool platformChangeDirectory(const std::string& path);
// Six-byte hardware addresses of the network interfaces, concatenated.
std::string platformHardwareAddresses();

// A modal message box; false when none could be shown.
bool platformMessageBox(const std::string& text, const std::string& caption);
