// Patching: the patch the login reply offers, its download, the digest and
// signature checks, and starting the patch (or the updater) before quitting.
#pragma once

#include <cstdint>
#include <string>

extern std::string patchUrl;        // relative address of the patch file
extern float patchSize;             // expected bytes, for display only
extern std::string patchHash;       // expected md5Hex of the whole file
extern bool patchIsExe;             // "update_exe": the updater applies it
extern std::string patchData;       // the download
extern std::string patchSignature;  // patchUrl + ".sig": RSA-SHA256 of the file, raw bytes
extern bool patchStarted;           // the download request has been queued
extern bool patchAnswered;          // the download finished with a usable reply
extern void (*quitForPatch)();      // installed by the shell: logs out and quits

constexpr int32_t patchRequestSeconds = 3600;
constexpr const char* patchFileName = "Zentrix_patch";
constexpr const char* updaterPath = "zx_update";

// Takes the offer of an "update"/"update_exe" login reply.
void offerPatch(const std::string& url, float size, const std::string& hash, bool isExe);
// Queues the download into a cleared patchData, unless offline or already queued.
void startPatchDownload();
// Kind 5: checks, writes and starts the patch, then quits; a bad download starts again.
void handlePatchReply(int32_t result);
// The MD5 matches the offer and the signature verifies with the game's public key.
bool patchDigestMatches(const std::string& data, const std::string& hash);
// "$XDG_DATA_HOME/Brisko Game Studios/Zentrix/Patch/", "" when no folder is known.
std::string patchFolder();
