// Accounts: names, registration, login and logout.
#include "server/accounts.h"

#include <cstdlib>

#include "protocol/account_limits.h"
#include "protocol/encodings.h"
#include "server/credentials.h"
#include "server/log.h"
#include "server/releases.h"
#include "server/sessions.h"
#include "server/throttle.h"

static const size_t minNameLength = accountNameShortest;
static const size_t maxNameLength = accountNameLongest;
static const size_t minPasswordLength = accountPasswordShortest;
static const size_t maxPasswordLength = accountPasswordLongest;
static const size_t minEmailLength = accountEmailShortest;
static const size_t maxEmailLength = accountEmailLongest;
static const size_t registrationTokenBytes = 16;

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

bool isPlausibleEmail(const std::string& email) {
    if (email.size() < minEmailLength || email.size() > maxEmailLength) return false;
    size_t at = email.find('@');
    if (at == 0 || at == std::string::npos || email.find('@', at + 1) != std::string::npos)
        return false;
    std::string domain = email.substr(at + 1);
    size_t dot = domain.find('.');
    if (dot == 0 || dot == std::string::npos || domain.back() == '.' ||
        domain.find("..") != std::string::npos)
        return false;
    for (unsigned char c : email) {
        if (c <= ' ' || c >= 0x7f || c == ',' || c == ';' || c == '<' || c == '>') return false;
    }
    return true;
}

static bool isAcceptableRegistration(const ParsedRequest& request) {
    const std::string& password = fieldValue(request, "password");
    return isValidPlayerName(fieldValue(request, "username")) &&
           password.size() >= minPasswordLength && password.size() <= maxPasswordLength &&
           isPlausibleEmail(fieldValue(request, "email"));
}

// The account's id in `rows`. A transaction run again after its COMMIT went
// through unseen (a lost connection) finds the name taken by its own
// `attempt`: that is the account it made, and the registration succeeded.
static SqlStatus insertAccount(DbConnection* connection, const SqlParams& params,
                               const std::string& attempt, SqlRows& rows) {
    SqlStatus status = sqlExec(connection,
                               "INSERT INTO users (name, name_key, email, password_hash,"
                               " password_blob, created, registration) VALUES ($1, $2, $3, $4,"
                               " '', $5, $6) ON CONFLICT (name_key) DO NOTHING RETURNING id",
                               params, &rows);
    if (status != SqlStatus::Ok || !rows.empty()) return status;
    status = sqlExec(connection, "SELECT id FROM users WHERE name_key = $1 AND registration = $2",
                     {params[1], sqlText(attempt)}, &rows);
    return status == SqlStatus::Ok && rows.empty() ? SqlStatus::Conflict : status;
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
    std::string attempt = randomHex(registrationTokenBytes);
    SqlParams params = {
        sqlText(name), sqlText(nameKey(name)), sqlText(fieldValue(request, "email")),
        sqlText(hash), sqlInt(nowSeconds()),   sqlText(attempt)};
    SqlRows rows;
    SqlStatus status = inWriteTransaction(context.database, [&](DbConnection* connection) {
        return insertAccount(connection, params, attempt, rows);
    });
    if (status != SqlStatus::Ok) return "error";
    // The game logs in right after registering: that check need not hash again.
    rememberCheckedPassword(firstInteger(rows, 0), fieldValue(request, "passwordHash"));
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
    std::string digest = md5Hex(fieldValue(request, "password"));
    if (findAccount(context, name, account)) {
        bool ok = checkThrottled(context, account.id, account.passwordHash, digest, nameThrottle,
                                 address, true);
        return ok ? account.id : 0;
    }
    std::string addressThrottle = "addr:" + group;
    if (!throttleAllows(nameThrottle) || !throttleAllows(addressThrottle)) return 0;
    spendPasswordCheck(digest);
    throttleFailure(nameThrottle);
    throttleFailure(addressThrottle);
    return 0;
}

std::string replyLogin(ServerContext& context, const ParsedRequest& request,
                       const std::string& address, const std::vector<std::string>& replayKeys) {
    AccountRow account;
    if (authenticate(context, request, address, account) == 0) return "fail";
    std::string update = updateOffer(context, fieldValue(request, "gameversion"));
    if (!update.empty()) return update;
    std::string blob = makePasswordBlob(context.key, fieldValue(request, "password"));
    std::string token = blob.empty() ? "" : startSession(context, account.id, replayKeys);
    if (token.empty()) return "fail";
    std::string newsSwitch = currentNews(context.database).empty() ? "0" : "1";
    // Token 4 is not read by the client; it carries the server's protocol revision.
    return "success " + std::to_string(account.id) + " " + token + " " + blob + " 1 " + newsSwitch;
}

std::string replyLogout(ServerContext& context, const ParsedRequest& request) {
    long long userId = std::strtoll(fieldValue(request, "userid").c_str(), nullptr, 10);
    return endSession(context, userId, fieldValue(request, "playhash")) ? "success" : "fail";
}
