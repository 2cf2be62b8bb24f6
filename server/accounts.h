// Accounts: names, registration, login and logout, and sessions.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"
#include "server/query.h"

// 4 to 24 characters of letters, digits, space, "@", "-", "_" and ".", not
// starting or ending with a space; such a name can never break a reply row.
bool isValidPlayerName(const std::string& name);
// One "@" between a local part and a dotted domain, 4 to 128 printable
// characters, no spaces.
bool isPlausibleEmail(const std::string& email);
// The name in lower case: names are unique regardless of case.
std::string nameKey(const std::string& name);

std::string replyCheckName(ServerContext& context, const ParsedRequest& request);
// Registration is limited per address group (see throttle.h).
std::string replyRegister(ServerContext& context, const ParsedRequest& request,
                          const std::string& address);
// `replayKeys` name the encrypted blocks of the request; a login holding a
// block seen before is refused.
std::string replyLogin(ServerContext& context, const ParsedRequest& request,
                       const std::string& address, const std::vector<std::string>& replayKeys);
std::string replyLogout(ServerContext& context, const ParsedRequest& request);
