// Shared by the libFuzzer targets: a scratch folder in memory-backed storage,
// quiet logging, and a catch for the places where the game ends on purpose.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/console_log.h"
#include "engine/gl_caps.h"
#include "tests/temp_folder.h"

// The folder run_fuzzer.sh made for this run (removed after it). A target
// started by hand gets a fresh folder in /tmp, never the working folder: the
// settings target writes settings/settings.ini under it, which from the top
// of the tree is a tracked folder.
inline std::string fuzzScratch() {
    static const std::string folder = [] {
        if (const char* given = std::getenv("ZENTRIX_FUZZ_SCRATCH")) return std::string(given);
        char made[] = "/tmp/zentrix-fuzz.XXXXXX";
        if (!mkdtemp(made)) __builtin_trap();
        return std::string(made);
    }();
    return folder;
}

inline std::string fuzzBytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The private key the build made for the development server; a target that
// cannot read it has nothing to fuzz and stops at once.
inline std::string builtServerKeyPem() {
    std::string pem = serverPrivateKey();
    if (pem.empty()) __builtin_trap();
    return pem;
}

inline void writeFuzzFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) __builtin_trap();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// Thrown where the game would end itself on purpose with its message shown;
// the harness takes it as a handled input, not as a crash.
struct ProgramEnded {
    int exitCode;
};

[[noreturn]] inline void throwProgramEnded(int exitCode) {
    throw ProgramEnded{exitCode};
}

// No log file (the folder cannot exist), no message boxes, ends caught.
inline void quietGame() {
    logDirectory = "/dev/null/";
    noDialogs = true;
    programEndHook = throwProgramEnded;
}
