// Accounts: names, registration, login and logout, sessions, and the password
// checks of every request that carries a password digest.
#pragma once

#include <string>

#include "server/context.h"
#include "server/query.h"

// 4 to 24 characters of letters, digits, space, "@", "-", "_" and ".", not
// starting or ending with a space; such a name can never break a reply row.
bool isValidPlayerName(const std::string& name);
// The name in lower case: names are unique regardless of case.
std::string nameKey(const std::string& name);

// argon2id (libsodium, 19 MiB, 2 passes) of the password's MD5 hex; "" on failure.
std::string hashPasswordDigest(const std::string& digest);
bool verifyPasswordDigest(const std::string& stored, const std::string& digest);

// True when `digest` is the MD5 hex of account `userId`'s password. Checks run
// through the login throttle of the account and of `address`.
bool checkPasswordHash(ServerContext& context, long long userId, const std::string& digest,
                       const std::string& address);
// Forgets the digests remembered from earlier successful checks.
void forgetCheckedPasswords();

std::string replyCheckName(ServerContext& context, const ParsedRequest& request);
// Registration is limited per address group (see throttle.h).
std::string replyRegister(ServerContext& context, const ParsedRequest& request,
                          const std::string& address);
// `replayKey` names the encrypted request; a second login with the same key is refused.
std::string replyLogin(ServerContext& context, const ParsedRequest& request,
                       const std::string& address, const std::string& replayKey);
std::string replyLogout(ServerContext& context, const ParsedRequest& request);
