// Password hashing and the checks of requests that carry a password digest.
#include "server/credentials.h"

#include <sodium.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

#include "protocol/encodings.h"
#include "server/log.h"
#include "server/sessions.h"
#include "server/throttle.h"

static const unsigned long long hashPasses = 2;
static const size_t hashMemoryBytes = 19u * 1024u * 1024u;
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

bool isCheckedPassword(long long userId, const std::string& digest) {
    std::string keyed = keyedDigest(digest);
    std::lock_guard<std::mutex> lock(rememberedMutex);
    auto found = rememberedDigests.find(userId);
    return found != rememberedDigests.end() &&
           sodium_memcmp(found->second.data(), keyed.data(), keyed.size()) == 0;
}

void rememberCheckedPassword(long long userId, const std::string& digest) {
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

// One slow check per account at a time; the others then find its verdict,
// or the throttle it left behind.
struct AccountTurn {
    long long userId;
    explicit AccountTurn(long long id) : userId(id) {
        std::unique_lock<std::mutex> lock(rememberedMutex);
        verifyingDone.wait(lock, [id] { return verifyingAccounts.count(id) == 0; });
        verifyingAccounts.insert(id);
    }
    ~AccountTurn() {
        {
            std::lock_guard<std::mutex> lock(rememberedMutex);
            verifyingAccounts.erase(userId);
        }
        verifyingDone.notify_all();
    }
    AccountTurn(const AccountTurn&) = delete;
    AccountTurn& operator=(const AccountTurn&) = delete;
};

// The throttles one check passes through: the name or account with the
// client's address group, the address group, and the account from anywhere.
struct CheckThrottles {
    std::string pair, address, account;
    bool allow() const {
        return throttleAllows(pair) && throttleAllows(address) && throttleAllows(account);
    }
    void fail() const {
        throttleFailure(pair);
        throttleFailure(address);
        throttleFailure(account);
    }
};

bool checkThrottled(ServerContext& context, long long userId, const std::string& storedHash,
                    const std::string& digest, const std::string& pairKey,
                    const std::string& address, bool loggingIn) {
    if (!loggingIn && isCheckedPassword(userId, digest)) return true;
    CheckThrottles keys = {pairKey, "addr:" + addressGroup(address),
                           "account:" + std::to_string(userId)};
    AccountTurn turn(userId);
    if (!loggingIn && isCheckedPassword(userId, digest)) return true;
    if (!keys.allow()) {
        logBadInput("password check throttled for account " + std::to_string(userId) + " from " +
                    address);
        return false;
    }
    std::string stored = storedHash.empty() ? storedHashOf(context, userId) : storedHash;
    bool known = isCheckedPassword(userId, digest);
    if (!known && (stored.empty() || !verifyPasswordDigest(stored, digest))) {
        keys.fail();
        return false;
    }
    throttleSuccess(keys.pair);
    throttleSuccess(keys.account);
    rememberCheckedPassword(userId, digest);
    return true;
}

bool checkPasswordHash(ServerContext& context, long long userId, const std::string& digest,
                       const std::string& address) {
    std::string pairKey = "user:" + std::to_string(userId) + "|" + addressGroup(address);
    if (!checkThrottled(context, userId, "", digest, pairKey, address, false)) return false;
    // Logging out ends what the account's digest opens: a request needs a session again.
    if (hasLiveSession(context, userId)) return true;
    logBadInput("request of account " + std::to_string(userId) + " without a session");
    return false;
}

void spendPasswordCheck(const std::string& digest) {
    static const std::string unmatchable = hashPasswordDigest(randomHex(16));
    verifyPasswordDigest(unmatchable, digest);
}
