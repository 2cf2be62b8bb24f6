// The server's log: one line per event on standard error, safe from any thread.
#pragma once

#include <string>

// Writes "zentrix-server: " + text with the local time in front.
void logLine(const std::string& text);
// Bad input is logged at most this often per second, so a flood cannot drown the log.
void logBadInput(const std::string& text);
