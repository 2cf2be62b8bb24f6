#include "online/patch.h"

#include <cstdio>

#include "base/console_log.h"
#include "game/server_link.h"
#include "online/requests.h"
#include "platform/system.h"
#include "protocol/encodings.h"

std::string patchUrl;
float patchSize = 0.0f;
std::string patchHash;
bool patchIsExe = false;
std::string patchData;
std::string patchSignature;
bool patchStarted = false;
bool patchAnswered = false;
void (*quitForPatch)() = nullptr;

static constexpr const char* patchSubfolder = "/Brisko Game Studios/Zentrix/Patch/";
static constexpr int32_t signatureRequestSeconds = 30;

void offerPatch(const std::string& url, float size, const std::string& hash, bool isExe) {
    patchUrl = url;
    patchSize = size;
    patchHash = hash;
    patchIsExe = isExe;
}

void startPatchDownload() {
    if (patchStarted || serverLink.connectionMode == ConnectionOffline) return;
    patchData.clear();
    queueRequest(patchUrl, &patchData, PatchRequest, patchRequestSeconds);
    patchStarted = true;
}

std::string patchFolder() {
    std::string base = platformLocalAppDataDir();
    return base.empty() ? "" : base + patchSubfolder;
}

bool patchDigestMatches(const std::string& data, const std::string& hash) {
    return md5Hex(data) == hash;
}

// The next frame of the Patching screen downloads it all again.
static void restartDownload(bool clearData) {
    patchAnswered = patchStarted = false;
    if (clearData) patchData.clear();
}

// A digest from a plain-HTTP reply proves nothing; the signature does.
static bool patchSigned() {
    patchSignature.clear();
    int32_t result = requestNow(patchUrl + ".sig", &patchSignature, signatureRequestSeconds);
    if (result != 0) {
        logConsole("Patch signature could not be fetched; downloading again");
        return false;
    }
    if (!verifySha256Signature(patchData, patchSignature, serverPublicKey)) {
        logConsole("Patch signature does not verify; downloading again");
        return false;
    }
    return true;
}

static void writePatchFile(const std::string& path) {
    remove(path.c_str());
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        logConsole("Cannot write the patch to " + path);
        return;
    }
    size_t written = fwrite(patchData.data(), 1, patchData.size(), file);
    if (fclose(file) != 0 || written != patchData.size())
        logConsole("The patch was not written whole to " + path);
    platformMakeExecutable(path);
}

static void startPatchProgram(const std::string& path) {
    const std::string program = patchIsExe ? updaterPath : path;
    platformMakeExecutable(program);
    if (!platformStartProgram(program, {}))
        logConsole("Cannot start " + program);
    else
        logConsole("Started " + program);
}

void handlePatchReply(int32_t result) {
    if (result != 0) {
        restartDownload(false);
        return;
    }
    if (patchData == "fail") {
        patchAnswered = true;
        return;
    }
    if (patchData.empty()) return;
    patchAnswered = true;
    std::string folder = patchFolder();
    if (folder.empty()) return;
    platformMakeDirectories(folder);
    if (!patchDigestMatches(patchData, patchHash)) {
        logConsole("Patch digest does not match; downloading again");
        restartDownload(true);
        return;
    }
    if (!patchSigned()) {
        restartDownload(true);
        return;
    }
    writePatchFile(folder + patchFileName);
    startPatchProgram(folder + patchFileName);
    if (quitForPatch) quitForPatch();
}
