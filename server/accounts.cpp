// Accounts and sessions.
#include "server/accounts.h"

#include <sodium.h>

#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "protocol/encodings.h"
#include "server/admin.h"
#include "server/log.h"
#include "server/throttle.h"

static const size_t minNameLength = 4;
static const size_t maxNameLength = 24;
static const size_t minPasswordLength = 4;
static const size_t maxPasswordLength = 64;
static const size_t minEmailLength = 4;
static const size_t maxEmailLength = 128;
static const unsigned long long hashPasses = 2;
static const size_t hashMemoryBytes = 19u * 1024u * 1024u;
static const size_t sessionTokenBytes = 16;
// A recorded login request is refused for this long (the padding of a real one is random).
static const long long loginReplaySeconds = 7 * 24 * 3600;
// Remembered digests past this count are dropped all at once; they are only a shortcut.
static const size_t maxRememberedDigests = 200000;

static std::mutex rememberedMutex;
// Account -> keyed digest of the password digest that last passed the slow check.
static std::map<long long, std::string> rememberedDigests;
// Accounts whose slow check is running; guarded by rememberedMutex.
static std::set<long long> verifyingAccounts;
static std::condition_variable verifyingDone;

static void initialiseSodium() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0) logLine("libsodium failed to initialise");
    });
}

bool isValidPlayerName(const std::string& name) {
    if (name.size() < minNameLength || name.size() > maxNameLength) return false;
    if (name.front() == ' ' || name.back() == ' ') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == ' ' || c == '@' || c == '-' || c == '_' || c == '.';
        if (!ok) return false;
    }
    return true;
}

std::string nameKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::string hashPasswordDigest(const std::string& digest) {
    initialiseSodium();
    char stored[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(stored, digest.data(), digest.size(), hashPasses, hashMemoryBytes,
                              crypto_pwhash_ALG_ARGON2ID13) != 0) {
        logLine("password hashing failed (out of memory)");
        return "";
    }
    return stored;
}

bool verifyPasswordDigest(const std::string& stored, const std::string& digest) {
    initialiseSodium();
    return crypto_pwhash_str_verify(stored.c_str(), digest.data(), digest.size()) == 0;
}

// A per-process key, so the remembered values are useless outside this process.
static std::string keyedDigest(const std::string& digest) {
    static unsigned char key[crypto_generichash_KEYBYTES];
    static std::once_flag once;
    std::call_once(once, [] {
        initialiseSodium();
        randombytes_buf(key, sizeof key);
    });
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char*>(digest.data()),
                       digest.size(), key, sizeof key);
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

static bool isRemembered(long long userId, const std::string& digest) {
    std::string keyed = keyedDigest(digest);
    std::lock_guard<std::mutex> lock(rememberedMutex);
    auto found = rememberedDigests.find(userId);
    return found != rememberedDigests.end() &&
           sodium_memcmp(found->second.data(), keyed.data(), keyed.size()) == 0;
}

static void remember(long long userId, const std::string& digest) {
    std::string keyed = keyedDigest(digest);
    std::lock_guard<std::mutex> lock(rememberedMutex);
    if (rememberedDigests.size() >= maxRememberedDigests) rememberedDigests.clear();
    rememberedDigests[userId] = keyed;
}

void forgetCheckedPasswords() {
    std::lock_guard<std::mutex> lock(rememberedMutex);
    rememberedDigests.clear();
}

static std::string storedHashOf(ServerContext& context, long long userId) {
    ConnectionLease lease(context.database);
    SqlRows rows;
    sqlExec(lease.connection, "SELECT password_hash FROM users WHERE id = $1", {sqlInt(userId)},
            &rows);
    return rows.empty() ? "" : rows[0][0];
}

// Lets one request per account run the slow check at a time; the others then find its verdict.
static void beginVerifying(long long userId) {
    std::unique_lock<std::mutex> lock(rememberedMutex);
    verifyingDone.wait(lock, [userId] { return verifyingAccounts.count(userId) == 0; });
    verifyingAccounts.insert(userId);
}

static void endVerifying(long long userId) {
    {
        std::lock_guard<std::mutex> lock(rememberedMutex);
        verifyingAccounts.erase(userId);
    }
    verifyingDone.notify_all();
}

static bool slowCheck(ServerContext& context, long long userId, const std::string& digest,
                      const std::string& userKey, const std::string& addressKey) {
    std::string stored = storedHashOf(context, userId);
    if (stored.empty() || !verifyPasswordDigest(stored, digest)) {
        throttleFailure(userKey);
        throttleFailure(addressKey);
        return false;
    }
    throttleSuccess(userKey);
    remember(userId, digest);
    return true;
}

bool checkPasswordHash(ServerContext& context, long long userId, const std::string& digest,
                       const std::string& address) {
    if (isRemembered(userId, digest)) return true;
    std::string group = addressGroup(address);
    std::string userKey = "user:" + std::to_string(userId) + "|" + group;
    std::string addressKey = "addr:" + group;
    if (!throttleAllows(userKey) || !throttleAllows(addressKey)) return false;
    beginVerifying(userId);
    bool ok =
        isRemembered(userId, digest) || slowCheck(context, userId, digest, userKey, addressKey);
    endVerifying(userId);
    return ok;
}

static bool nameExists(ServerContext& context, const std::string& name) {
    ConnectionLease lease(context.database);
    SqlRows rows;
    sqlExec(lease.connection, "SELECT id FROM users WHERE name_key = $1", {sqlText(nameKey(name))},
            &rows);
    return !rows.empty();
}

std::string replyCheckName(ServerContext& context, const ParsedRequest& request) {
    const std::string& name = fieldValue(request, "username");
    if (!isValidPlayerName(name)) return "error";
    return nameExists(context, name) ? "unavailable" : "available";
}

static bool isAcceptableRegistration(const ParsedRequest& request) {
    const std::string& password = fieldValue(request, "password");
    const std::string& email = fieldValue(request, "email");
    return isValidPlayerName(fieldValue(request, "username")) &&
           password.size() >= minPasswordLength && password.size() <= maxPasswordLength &&
           email.size() >= minEmailLength && email.size() <= maxEmailLength;
}

std::string replyRegister(ServerContext& context, const ParsedRequest& request,
                          const std::string& address) {
    if (!isAcceptableRegistration(request)) return "error";
    const std::string& name = fieldValue(request, "username");
    // The slow hash runs only for names that look free; the unique key settles races.
    if (nameExists(context, name)) return "error";
    if (!registrationAllowed(addressGroup(address))) {
        logBadInput("registration limit reached for " + addressGroup(address));
        return "error";
    }
    std::string hash = hashPasswordDigest(fieldValue(request, "passwordHash"));
    std::string blob = makePasswordBlob(context.key, fieldValue(request, "password"));
    if (hash.empty() || blob.empty()) return "error";
    // No blob is kept: it opens with the public key, so it is made afresh from each login.
    const std::string sql =
        "INSERT INTO users (name, name_key, email, password_hash, password_blob, created)"
        " VALUES ($1, $2, $3, $4, '', $5) RETURNING id";
    SqlParams params = {sqlText(name), sqlText(nameKey(name)),
                        sqlText(fieldValue(request, "email")), sqlText(hash), sqlInt(nowSeconds())};
    SqlRows rows;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return sqlExec(connection, sql, params, &rows);
    });
    if (status != SqlStatus::Ok) return "error";
    // The game logs in right after registering: that check need not hash again.
    remember(firstInteger(rows, 0), fieldValue(request, "passwordHash"));
    logLine("registered " + name);
    return "success " + blob;
}

struct AccountRow {
    long long id = 0;
    std::string passwordHash;
};

static bool findAccount(ServerContext& context, const std::string& name, AccountRow& account) {
    ConnectionLease lease(context.database);
    SqlRows rows;
    const std::string sql = "SELECT id, password_hash FROM users WHERE name_key = $1";
    sqlExec(lease.connection, sql, {sqlText(nameKey(name))}, &rows);
    if (rows.empty()) return false;
    account.id = std::strtoll(rows[0][0].c_str(), nullptr, 10);
    account.passwordHash = rows[0][1];
    return true;
}

static std::string newSessionToken() {
    initialiseSodium();
    unsigned char bytes[sessionTokenBytes];
    randombytes_buf(bytes, sizeof bytes);
    return hexString(bytes, sizeof bytes);
}

static long long sessionCutoff(const ServerContext& context) {
    return nowSeconds() - context.sessionIdleSeconds;
}

// Each login also sweeps out the sessions that have expired and the replay
// records that have aged out.
static SqlStatus sweepExpired(DbConnection* connection, const ServerContext& context) {
    SqlStatus status = sqlExec(connection, "DELETE FROM sessions WHERE created < $1",
                               {sqlInt(sessionCutoff(context))});
    if (status != SqlStatus::Ok) return status;
    return sqlExec(connection, "DELETE FROM login_replays WHERE seen < $1",
                   {sqlInt(nowSeconds() - loginReplaySeconds)});
}

// A login request already seen is a recording played back: it gets nothing.
static SqlStatus recordLoginRequest(DbConnection* connection, const std::string& replayKey,
                                    bool& replayed) {
    SqlStatus status =
        sqlExec(connection, "INSERT INTO login_replays (digest, seen) VALUES ($1, $2)",
                {sqlText(replayKey), sqlInt(nowSeconds())});
    replayed = status == SqlStatus::Conflict;
    return replayed ? SqlStatus::Ok : status;
}

// The new session's token; "" when the request is a replay or the write failed.
static std::string startSession(ServerContext& context, long long userId,
                                const std::string& replayKey) {
    std::string token = newSessionToken();
    bool replayed = false;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        SqlStatus step = recordLoginRequest(connection, replayKey, replayed);
        if (step != SqlStatus::Ok || replayed) return step;
        step = sweepExpired(connection, context);
        if (step != SqlStatus::Ok) return step;
        return sqlExec(connection,
                       "INSERT INTO sessions (token, user_id, created) VALUES ($1, $2, $3)",
                       {sqlText(token), sqlInt(userId), sqlInt(nowSeconds())});
    });
    if (replayed) logBadInput("replayed login request for account " + std::to_string(userId));
    return status == SqlStatus::Ok && !replayed ? token : "";
}

// "update"/"update_exe" with address, size and digest when the client is older than the patch.
static std::string updateOffer(ServerContext& context, const std::string& clientVersion) {
    PatchInfo patch;
    if (!latestPatch(context.database, patch)) return "";
    if (compareVersions(clientVersion, patch.minVersion) >= 0) return "";
    return std::string(patch.isExe ? "update_exe " : "update ") + patchAddress(patch.fileName) +
           " " + std::to_string(patch.size) + " " + patch.md5;
}

// Checks the name and password through the throttle; the account id, or 0 when refused.
static long long authenticate(ServerContext& context, const ParsedRequest& request,
                              const std::string& address, AccountRow& account) {
    const std::string& name = fieldValue(request, "username");
    std::string group = addressGroup(address);
    std::string nameThrottle = "name:" + nameKey(name) + "|" + group;
    std::string addressThrottle = "addr:" + group;
    if (!throttleAllows(nameThrottle) || !throttleAllows(addressThrottle)) {
        logBadInput("login throttled for " + name + " from " + address);
        return 0;
    }
    std::string digest = md5Hex(fieldValue(request, "password"));
    // A digest that passed the slow check in this process passes again without it.
    if (!findAccount(context, name, account) ||
        (!isRemembered(account.id, digest) &&
         !verifyPasswordDigest(account.passwordHash, digest))) {
        throttleFailure(nameThrottle);
        throttleFailure(addressThrottle);
        return 0;
    }
    throttleSuccess(nameThrottle);
    remember(account.id, digest);
    return account.id;
}

std::string replyLogin(ServerContext& context, const ParsedRequest& request,
                       const std::string& address, const std::string& replayKey) {
    AccountRow account;
    if (authenticate(context, request, address, account) == 0) return "fail";
    std::string update = updateOffer(context, fieldValue(request, "gameversion"));
    if (!update.empty()) return update;
    std::string blob = makePasswordBlob(context.key, fieldValue(request, "password"));
    std::string token = blob.empty() ? "" : startSession(context, account.id, replayKey);
    if (token.empty()) return "fail";
    std::string newsSwitch = currentNews(context.database).empty() ? "0" : "1";
    // Token 4 is not read by the client; it carries the server's protocol revision.
    return "success " + std::to_string(account.id) + " " + token + " " + blob + " 1 " + newsSwitch;
}

std::string replyLogout(ServerContext& context, const ParsedRequest& request) {
    SqlRows rows;
    const std::string sql =
        "DELETE FROM sessions WHERE token = $1 AND user_id = $2 AND created >= $3 RETURNING token";
    long long userId = std::strtoll(fieldValue(request, "userid").c_str(), nullptr, 10);
    SqlParams params = {sqlText(fieldValue(request, "playhash")), sqlInt(userId),
                        sqlInt(sessionCutoff(context))};
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return sqlExec(connection, sql, params, &rows);
    });
    return status == SqlStatus::Ok && !rows.empty() ? "success" : "fail";
}
