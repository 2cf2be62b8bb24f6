// Account values shared by the login and account screens.
#pragma once

#include <cstdint>
#include <string>

enum ConnectionModeValue : int32_t { ConnectionOnline = 0, ConnectionOffline = 99 };

extern int32_t connectionMode;       // 0 online, 99 offline
extern int32_t loginStep;            // sub-screen of Login and CreateAcc; selects the text field
extern std::string userId;           // account id from the login reply
extern std::string playHash;         // session token from the login reply
extern std::string emailText;        // CreateAcc e-mail field
extern std::string retypedPassword;  // CreateAcc password-again field
extern bool scoreAwaitingReply;      // a submitted score still waits for the server
extern std::string sessionhash;  // id of the current run of games, made when a game type is chosen

// The connection prompt's "Continue": no more requests are sent and the
// prompt is released. The online client (issue 13) fills in the rest.
void switchToOfflineMode();
