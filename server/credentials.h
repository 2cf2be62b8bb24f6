// Password checks: the slow salted hash of the password digest, the check of
// every request that carries a password digest (throttled, one slow check per
// account at a time), and the digests remembered from earlier checks.
#pragma once

#include <string>

#include "server/context.h"

// argon2id (libsodium, 19 MiB, 2 passes) of the password's MD5 hex; "" on failure.
std::string hashPasswordDigest(const std::string& digest);
bool verifyPasswordDigest(const std::string& stored, const std::string& digest);

// True when `digest` is the MD5 hex of account `userId`'s password and the
// account holds a live session (logged in, not logged out, not expired). Checks
// run through the login throttle of the account and of `address`.
bool checkPasswordHash(ServerContext& context, long long userId, const std::string& digest,
                       const std::string& address);
// The same against `storedHash` (read from the database when empty), with
// `pairKey` naming the name or account with the client's address group. The
// account's address group and the account from any address are throttled as
// well. One slow check per account runs at a time and each meets the throttle
// in its turn, so guesses sent in parallel go no faster than one by one. A
// digest that passed before skips the throttle, except when `loggingIn`: a
// login is where guesses come, and it waits out the throttle like any other.
bool checkThrottled(ServerContext& context, long long userId, const std::string& storedHash,
                    const std::string& digest, const std::string& pairKey,
                    const std::string& address, bool loggingIn);
// Runs the slow check against a hash no password matches, so that an unknown
// name costs the same time as a known one.
void spendPasswordCheck(const std::string& digest);

// A digest that passed the slow check in this process passes again without it.
bool isCheckedPassword(long long userId, const std::string& digest);
void rememberCheckedPassword(long long userId, const std::string& digest);
// Forgets the digests remembered from earlier successful checks.
void forgetCheckedPasswords();
