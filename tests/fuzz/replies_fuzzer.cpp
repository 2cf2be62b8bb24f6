// libFuzzer target: every reply kind the game reads from the server. The
// first byte picks the kind, the second whether the transfer failed (and,
// for a patch, whether the download matches its digest); the rest is the
// reply. Queued kinds go through dispatchReply as a finished transfer would;
// the blocking requests (server choice, name check, registration) really run
// through libcurl, answered from a file, so no network is involved.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/game_state.h"
#include "online/account.h"
#include "online/achievements.h"
#include "online/news.h"
#include "online/patch.h"
#include "online/ranking.h"
#include "online/replies.h"
#include "online/requests.h"
#include "online/scores.h"
#include "platform/settings_store.h"
#include "protocol/encodings.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

struct QueuedKind {
    int32_t kind;
    std::string* reply;
};

static const QueuedKind queuedKinds[] = {
    {LoginRequest, &loginReply},   {HighscoreRequest, &highscoreReply},
    {ScoreRequest, &scoreReply},   {PatchRequest, &patchData},
    {CheeveRequest, &cheeveReply}, {SyncCheevesRequest, &syncCheevesReply},
    {NewsRequest, &newsReply},     {RankingRequest, &rankingReply},
};
constexpr int queuedKindCount = sizeof(queuedKinds) / sizeof(queuedKinds[0]);
constexpr int blockingKindCount = 3;

// A fresh player at the login screen, online, with nothing pending.
static void resetOnlineState(const std::string& scratch) {
    GameState = Login;
    serverLink.connectionMode = ConnectionOnline;
    loginStep = connectingStep;
    // No retry pause: a failed login goes offline at once.
    loginRetries = loginRetryLimit;
    loginAnswered = false;
    loginIssued = true;
    newsEnabled = 1;
    patchStarted = patchAnswered = false;
    Username = "fuzzer";
    loginPassword = "secret";
    settingsDirOverride = scratch + "/settings";
    // Nothing answers there: a signature fetch fails quickly, without a network.
    secureBaseUrl = "file://" + scratch + "/no-such-file#";
}

static void runQueuedKind(const QueuedKind& kind, bool failed, bool digestMatches,
                          const std::string& reply) {
    *kind.reply = reply;
    if (kind.kind == PatchRequest) {
        offerPatch("Zentrix_patch", static_cast<float>(reply.size()),
                   digestMatches ? md5Hex(reply) : "0", false);
    }
    dispatchReply(kind.kind, failed ? 7 : 0, kind.reply);
}

// The blocking requests read their answer from a file through libcurl.
static void runBlockingKind(int which, const std::string& scratch, const std::string& reply) {
    writeFuzzFile(scratch + "/reply", reply);
    secureBaseUrl = "file://" + scratch + "/reply#";
    switch (which) {
        case 0:
            chooseServer();
            break;
        case 1:
            checkNameAvailable();
            break;
        default:
            registerAccount();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string scratch = fuzzScratch();
    static bool once = (setenv("XDG_DATA_HOME", scratch.c_str(), 1), true);
    (void)once;
    if (size < 2) return 0;
    quietGame();
    resetOnlineState(scratch);
    std::string reply = fuzzBytes(data + 2, size - 2);
    int which = data[0] % (queuedKindCount + blockingKindCount);
    bool failed = data[1] % 8 == 7;
    if (which < queuedKindCount)
        runQueuedKind(queuedKinds[which], failed, data[1] & 1, reply);
    else
        runBlockingKind(which - queuedKindCount, scratch, reply);
    if (reply == "fail" && which == 0 && !failed && loginStep != loginFailedStep) __builtin_trap();
    return 0;
}
