#include "online/account.h"

#include "online/server_wait.h"

int32_t connectionMode = ConnectionOnline;
int32_t loginStep = 0;
std::string userId;
std::string playHash;
std::string emailText;
std::string retypedPassword;
bool scoreAwaitingReply = false;
std::string sessionhash;

void switchToOfflineMode() {
    connectionMode = ConnectionOffline;
    connectionPrompt = false;
    offlineWarning = false;
    promptConnected = false;
}
