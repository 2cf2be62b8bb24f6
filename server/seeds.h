// Seeds of ranked levels, handed out per account. seeds.php issues fresh
// seeds to the account that asks; an account holds at most seedStockLimit
// unused ones (a new issue retires the oldest). A ranked result's replay is
// taken only when the seed in its header was issued to the account that
// claims it and no other result has used it; taking it marks it used.
#pragma once

#include <string>

#include "server/context.h"
#include "server/query.h"

extern const int seedsPerReply;   // seeds one seeds.php reply issues
extern const int seedStockLimit;  // unused seeds an account may hold at once

// seeds.php: "success" and the new seeds, space-separated; "fail" when the
// account does not check out or the seeds cannot be stored.
std::string replySeeds(ServerContext& context, const ParsedRequest& request,
                       const std::string& address);

// The seed a replay file's header names; false with `problem` set when the
// file cannot be read. Decoded before the upload's transaction, which it
// would otherwise hold up.
bool readReplaySeed(const std::string& body, long long& seed, std::string& problem);
// Inside the upload's write transaction: marks `seed` used by `userId`'s
// result. `problem` stays "" when it may be used, else says why the upload is
// refused (and nothing is marked).
SqlStatus useIssuedSeed(DbConnection* connection, long long userId, long long seed,
                        std::string& problem);
