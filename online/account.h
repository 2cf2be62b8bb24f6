// Account values shared by the login and account screens, the requests that
// log in, register, check a name and log out, and the switch to offline mode.
#pragma once

#include <cstdint>
#include <string>

#include "game/server_link.h"
#include "online/identity.h"

// Sub-screens of Login and CreateAcc (loginStep values). 12 is the login
// running and 13 its first frame; 8 and 9 are the first frames of 7 and 10.
enum LoginStepValue : int32_t {
    nameStep = 1,
    passwordStep = 2,
    retypeStep = 3,
    nameTakenStep = 4,
    mismatchStep = 5,
    checkingNameStep = 7,
    checkNameStep = 8,
    registerStep = 9,
    registeringStep = 10,
    offlineStep = 11,  // Login: server unreachable; CreateAcc: "Error"
    connectingStep = 12,
    loggingInStep = 13,
    loginFailedStep = 14,
    emailStep = 20,
};

// What start-up learns of the machine, sent with every login.
struct MachineDescription {
    std::string gameVersion;  // "Version 1.0.0.0"
    std::string os, ram, cpu;
    std::string glVersion, videoCard, manufacturer;
};

extern int32_t loginStep;            // sub-screen of Login and CreateAcc; selects the text field
extern std::string emailText;        // CreateAcc e-mail field
extern std::string retypedPassword;  // CreateAcc password-again field
extern bool scoreAwaitingReply;      // a score was submitted online: its score screen fades in
extern std::string loginReply;       // reply buffer of the login request
extern int32_t loginRetries;         // failed connections of this login attempt, 0..3
extern bool loginIssued;             // the login request of this attempt has been sent
extern bool loginAnswered;           // a decisive login reply has arrived
extern MachineDescription loginMachine;  // filled by start-up
extern std::string accountRetrievalUrl;  // the web page "Account Retrieval" opens

constexpr int32_t loginRetryLimit = 3;
constexpr uint32_t loginRetryPauseMs = 100;
constexpr int32_t whichServerSeconds = 30;
constexpr size_t minimumServerReply = 5;  // a which_server.php reply this long replaces the address
constexpr size_t longestServerReply = 2048;  // ... when it is an address at all, and no longer
// The server reads no text value of a request longer than this.
constexpr size_t longestLoginValue = 1024;

// The login request with its keys in order; values go in unescaped, the
// machine texts cut to what the server reads (the address list at a whole
// address).
std::string loginRequestText(const std::string& name, const std::string& password,
                             const MachineDescription& machine, int32_t width, int32_t height,
                             const std::string& macList);
// The blocking requests' texts, keys in order, values unescaped.
std::string checkNameRequestText(const std::string& name);
std::string registerRequestText(const std::string& name, const std::string& password,
                                const std::string& email);
std::string logoutRequestText(const std::string& userId, const std::string& playHash);
// A which_server.php reply that is an address: http:// or https:// and
// printable characters without blanks, quotes or angle brackets. An error
// page or a proxy's notice is no answer.
bool isServerAddressReply(const std::string& reply);
// Asks which_server.php for the address; a reply longer than 4 characters
// that is an address replaces secureBaseUrl. Returns the transfer's result.
int32_t chooseServer();
// A fresh login attempt: nothing sent yet, no retries used.
void resetLoginAttempt();
// Login step 12 with no login sent yet: server choice, then the queued login.
void issueLogin();
// Kind 1: the login reply or its failed transfer.
void handleLoginReply(int32_t result);
// The name check and the registration of CreateAcc; each returns the next loginStep.
int32_t checkNameAvailable();
int32_t registerAccount();
// The login reply as the console log keeps it: without the session token
// and the password blob, and cut when long.
std::string loggedLoginReply(const std::string& reply);
// Online with a session from a successful login.
bool loggedIn();
// The blocking logout that every way out of the program sends first; sent
// only while logged in (offline play and a failed login send nothing).
void sendLogout();
// From now on no request is sent; releases the server-wait prompt.
void switchToOfflineMode();
