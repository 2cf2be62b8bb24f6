// Sessions of logged-in accounts, and the random tokens they are named by.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

// `bytes` random bytes as lower-case hex, from the system's secure source.
std::string randomHex(size_t bytes);
// A new session for the account; its token, or "" when the login request is
// a recording played back (`replayKeys` name its encrypted blocks, and any
// block seen before refuses it) or the write failed.
std::string startSession(ServerContext& context, long long userId,
                         const std::vector<std::string>& replayKeys);
// True while the account holds a session that has neither ended at logout nor expired.
bool hasLiveSession(ServerContext& context, long long userId);
// Ends the account's session named by token; false when there was none.
bool endSession(ServerContext& context, long long userId, const std::string& token);
