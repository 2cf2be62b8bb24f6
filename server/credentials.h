// Password checks: the slow salted hash of the password digest, the check of
// every request that carries a password digest (throttled, one slow check per
// account at a time), and the digests remembered from earlier checks.
#pragma once

#include <string>

#include "server/context.h"

// argon2id (libsodium, 19 MiB, 2 passes) of the password's MD5 hex; "" on failure.
std::string hashPasswordDigest(const std::string& digest);
bool verifyPasswordDigest(const std::string& stored, const std::string& digest);

// True when `digest` is the MD5 hex of account `userId`'s password. Checks run
// through the login throttle of the account and of `address`.
bool checkPasswordHash(ServerContext& context, long long userId, const std::string& digest,
                       const std::string& address);

// A digest that passed the slow check in this process passes again without it.
bool isCheckedPassword(long long userId, const std::string& digest);
void rememberCheckedPassword(long long userId, const std::string& digest);
// Forgets the digests remembered from earlier successful checks.
void forgetCheckedPasswords();

// `bytes` random bytes as lower-case hex, from the system's secure source.
std::string randomHex(size_t bytes);
