// The server's log: one line per event on standard error, safe from any thread.
#pragma once

#include <string>

// Writes "zentrix-server: " + text with the local time in front, or in JSON
// form one object per line: {"time":UTC,"level":...,"program":...,"message":...}.
void logLine(const std::string& text);
// Chooses the JSON form (for journald and log collectors) or the plain one.
void setJsonLog(bool on);
// Bad input is logged at most this often per second, so a flood cannot drown the log.
void logBadInput(const std::string& text);
