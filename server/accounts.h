// Accounts: names, registration, login and logout, and sessions.
#pragma once

#include <string>

#include "server/context.h"
#include "server/query.h"

// 4 to 24 characters of letters, digits, space, "@", "-", "_" and ".", not
// starting or ending with a space; such a name can never break a reply row.
bool isValidPlayerName(const std::string& name);
// The name in lower case: names are unique regardless of case.
std::string nameKey(const std::string& name);

std::string replyCheckName(ServerContext& context, const ParsedRequest& request);
// Registration is limited per address group (see throttle.h).
std::string replyRegister(ServerContext& context, const ParsedRequest& request,
                          const std::string& address);
// `replayKey` names the encrypted request; a second login with the same key is refused.
std::string replyLogin(ServerContext& context, const ParsedRequest& request,
                       const std::string& address, const std::string& replayKey);
std::string replyLogout(ServerContext& context, const ParsedRequest& request);
