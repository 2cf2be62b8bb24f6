#include "online/server_wait.h"

bool connectionPrompt = false;
bool promptConnected = false;
bool offlineWarning = false;
float promptClock = 0.0f;

void noteServerReply() {
    if (connectionPrompt) promptConnected = true;
}
