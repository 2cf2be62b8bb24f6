#include "online/account.h"

#include "base/console_log.h"
#include "base/game_state.h"
#include "game/server_link.h"
#include "online/achievements.h"
#include "online/mac_address.h"
#include "online/news.h"
#include "online/patch.h"
#include "online/requests.h"
#include "online/seeds.h"
#include "platform/system.h"
#include "protocol/encodings.h"
#include "settings/settings.h"

int32_t loginStep = 0;
std::string emailText;
std::string retypedPassword;
bool scoreAwaitingReply = false;
std::string loginReply;
int32_t loginRetries = 0;
bool loginIssued = false;
bool loginAnswered = false;
MachineDescription loginMachine;
std::string accountRetrievalUrl = ZENTRIX_ACCOUNT_URL;

// The console log keeps a long hostile reply to its start.
static constexpr size_t loggedReplyLimit = 512;

// A machine text longer than the server reads is cut, so a long driver
// string never keeps the player from logging in.
static std::string fitted(const std::string& value) {
    return value.substr(0, longestLoginValue);
}

// A machine with many network adapters sends the whole addresses that fit.
static std::string fittedAddressList(const std::string& list) {
    if (list.size() <= longestLoginValue) return list;
    size_t cut = list.rfind(' ', longestLoginValue);
    return cut == std::string::npos ? "" : list.substr(0, cut);
}

std::string loginRequestText(const std::string& name, const std::string& password,
                             const MachineDescription& machine, int32_t width, int32_t height,
                             const std::string& macList) {
    return "login.php?version=rc2&build=direct&platform=&username=" + name +
           "&password=" + password + "&glversion=" + fitted(machine.glVersion) +
           "&videocard=" + fitted(machine.videoCard) +
           "&manufacturer=" + fitted(machine.manufacturer) + "&res=" + std::to_string(width) + "x" +
           std::to_string(height) + "&gameversion=" + fitted(machine.gameVersion) +
           "&os=" + fitted(machine.os) + "&ram=" + fitted(machine.ram) +
           "&cpu=" + fitted(machine.cpu) + "&mac=" + fittedAddressList(macList);
}

bool isServerAddressReply(const std::string& reply) {
    if (reply.size() < minimumServerReply || reply.size() > longestServerReply) return false;
    bool web = reply.rfind("http://", 0) == 0 || reply.rfind("https://", 0) == 0;
    if (!web) return false;
    for (unsigned char c : reply) {
        if (c <= ' ' || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\\') return false;
    }
    return true;
}

int32_t chooseServer() {
    std::string reply;
    int32_t result = requestNow("which_server.php", &reply, whichServerSeconds);
    if (result != 0 || reply.size() < minimumServerReply) return result;
    if (isServerAddressReply(reply)) {
        secureBaseUrl = reply;
    } else {
        logConsole("which_server.php answered no address (" + std::to_string(reply.size()) +
                   " bytes); staying with " + secureBaseUrl);
    }
    return result;
}

void resetLoginAttempt() {
    loginIssued = loginAnswered = false;
    loginRetries = 0;
}

void issueLogin() {
    loginIssued = true;
    loginReply.clear();
    chooseServer();
    queueRequest(loginRequestText(Username, loginPassword, loginMachine, ScreenWidth, ScreenHeight,
                                  macAddressList),
                 &loginReply, LoginRequest, shortRequestSeconds);
}

static void retryLogin() {
    if (loginRetries < loginRetryLimit) {
        loginAnswered = loginIssued = false;
        loginRetries++;
        platformSleep(loginRetryPauseMs);
        return;
    }
    loginStep = offlineStep;
    serverLink.connectionMode = ConnectionOffline;
}

std::string loggedLoginReply(const std::string& reply) {
    std::vector<std::string> tokens = splitTokens(reply, ' ');
    if (tokens.size() > 3 && tokens[0] == "success") {
        // The session token and the password blob prove who the player is: never on disk.
        std::string text = tokens[0] + " " + tokens[1] + " (session token) (password blob)";
        for (size_t i = 4; i < tokens.size(); i++) text += " " + tokens[i];
        return text.substr(0, loggedReplyLimit);
    }
    if (reply.size() <= loggedReplyLimit) return reply;
    return reply.substr(0, loggedReplyLimit) + "... (reply of " + std::to_string(reply.size()) +
           " bytes cut)";
}

static void acceptLogin(const std::vector<std::string>& tokens) {
    userId = tokens[1];
    playHash = tokens[2];
    storedPasswordBlob = tokens[3];
    newsEnabled = atoi(tokens[5].c_str());
    // Online first: nothing is queued while offline.
    serverLink.connectionMode = ConnectionOnline;
    if (newsEnabled != 0) queueNews();
    saveSettings();
    if (GameState == Restart) return;
    GameState = LoginToMenu;
    loginAnswered = true;
    startCheeveSync(userId, md5Hex(loginPassword));
    restockSeedsAfterLogin();
}

void handleLoginReply(int32_t result) {
    if (result != 0) {
        retryLogin();
        return;
    }
    logConsole(loggedLoginReply(loginReply));
    std::vector<std::string> tokens = splitTokens(loginReply, ' ');
    const std::string first = tokens.empty() ? "" : tokens[0];
    if (loginReply == "fail") {
        loginStep = loginFailedStep;
        loginAnswered = true;
    } else if ((first == "update" || first == "update_exe") && tokens.size() > 3) {
        loginAnswered = true;
        offerPatch(tokens[1], static_cast<float>(atoi(tokens[2].c_str())), tokens[3],
                   first == "update_exe");
        GameState = Patching;
    } else if (first == "success" && tokens.size() > 5) {
        acceptLogin(tokens);
    }
}

std::string checkNameRequestText(const std::string& name) {
    return "checkname.php?username=" + name;
}

std::string registerRequestText(const std::string& name, const std::string& password,
                                const std::string& email) {
    return "reg.php?beta=1&username=" + name + "&passwordHash=" + md5Hex(password) +
           "&password=" + password + "&email=" + email;
}

std::string logoutRequestText(const std::string& userId, const std::string& playHash) {
    return "logout.php?beta2=1&userid=" + userId + "&playhash=" + playHash;
}

int32_t checkNameAvailable() {
    std::string reply;
    if (requestNow(checkNameRequestText(Username), &reply, shortRequestSeconds) != 0)
        return offlineStep;
    if (reply == "unavailable") return nameTakenStep;
    if (reply == "available") return passwordStep;
    return offlineStep;
}

int32_t registerAccount() {
    std::string reply;
    if (requestNow(registerRequestText(Username, loginPassword, emailText), &reply,
                   shortRequestSeconds) != 0)
        return offlineStep;
    std::vector<std::string> tokens = splitTokens(reply, ' ');
    if (reply == "error" || tokens.empty() || tokens[0] != "success") return offlineStep;
    storedPasswordBlob = tokens.size() > 1 ? tokens[1] : "";
    serverLink.connectionMode = ConnectionOnline;
    saveSettings();
    loginAnswered = loginIssued = false;
    return loggingInStep;
}

bool loggedIn() {
    return serverLink.connectionMode == ConnectionOnline && !userId.empty() && !playHash.empty();
}

void sendLogout() {
    // Offline, or before any login succeeded, there is no session to end.
    if (!loggedIn()) return;
    std::string reply;
    requestNow(logoutRequestText(userId, playHash), &reply, shortRequestSeconds);
}

void switchToOfflineMode() {
    serverLink.connectionMode = ConnectionOffline;
    serverLink.connectionPrompt = serverLink.promptConnected = serverLink.offlineWarning = false;
    scoreAwaitingReply = false;
}
