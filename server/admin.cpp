// News and patches.
#include "server/admin.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "online/encodings.h"
#include "server/log.h"

static const char patchPrefix[] = "patches/";
static const int newsRowId = 1;
static const size_t maxPatchNameLength = 128;

bool setNews(Database* database, const std::string& text) {
    const std::string sql =
        "INSERT INTO news (id, text) VALUES ($1, $2)"
        " ON CONFLICT (id) DO UPDATE SET text = excluded.text";
    return inWriteTransaction(database, [&](DbConnection* connection) {
               return sqlExec(connection, sql, {sqlInt(newsRowId), sqlText(text)});
           }) == SqlStatus::Ok;
}

std::string currentNews(Database* database) {
    ConnectionLease lease(database);
    SqlRows rows;
    sqlExec(lease.connection, "SELECT text FROM news WHERE id = $1", {sqlInt(newsRowId)}, &rows);
    return rows.empty() ? "" : rows[0][0];
}

static bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    bytes = contents.str();
    return !file.bad();
}

// Patch names become URL path parts and file names: letters, digits, ".", "-", "_" only.
static bool isSafePatchName(const std::string& name) {
    if (name.empty() || name.size() > maxPatchNameLength || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

static bool failWith(std::string& error, const std::string& text) {
    error = text;
    return false;
}

static bool recordPatch(Database* database, const PatchInfo& patch) {
    const std::string sql =
        "INSERT INTO patches (file_name, is_exe, min_version, size, md5, published)"
        " VALUES ($1, $2, $3, $4, $5, $6)";
    SqlParams params = {sqlText(patch.fileName),   sqlInt(patch.isExe ? 1 : 0),
                        sqlText(patch.minVersion), sqlInt(patch.size),
                        sqlText(patch.md5),        sqlInt(nowSeconds())};
    return inWriteTransaction(database, [&](DbConnection* connection) {
               return sqlExec(connection, sql, params);
           }) == SqlStatus::Ok;
}

bool publishPatch(Database* database, const std::string& file, bool isExe,
                  const std::string& minVersion, const std::string& patchDir, std::string& error) {
    PatchInfo patch;
    patch.fileName = std::filesystem::path(file).filename().string();
    if (!isSafePatchName(patch.fileName)) {
        error = "patch file names may hold only letters, digits, '.', '-' and '_'";
        return false;
    }
    std::string bytes;
    if (!readWholeFile(file, bytes)) return failWith(error, "cannot read " + file);
    patch.isExe = isExe;
    patch.minVersion = minVersion;
    patch.size = static_cast<long long>(bytes.size());
    patch.md5 = md5Hex(bytes);
    std::error_code code;
    std::filesystem::create_directories(patchDir, code);
    std::filesystem::path target = std::filesystem::path(patchDir) / patch.fileName;
    std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing,
                               code);
    if (code) return failWith(error, "cannot copy the patch to " + target.string());
    if (!recordPatch(database, patch)) return failWith(error, "cannot record the patch");
    return true;
}

bool latestPatch(Database* database, PatchInfo& patch) {
    ConnectionLease lease(database);
    SqlRows rows;
    const std::string sql =
        "SELECT file_name, is_exe, min_version, size, md5 FROM patches ORDER BY id DESC LIMIT 1";
    if (sqlExec(lease.connection, sql, {}, &rows) != SqlStatus::Ok || rows.empty()) return false;
    patch.fileName = rows[0][0];
    patch.isExe = rows[0][1] == "1";
    patch.minVersion = rows[0][2];
    patch.size = std::strtoll(rows[0][3].c_str(), nullptr, 10);
    patch.md5 = rows[0][4];
    return true;
}

// The numbers of the first dotted run of digits ("Version 1.2.3" -> 1, 2, 3).
static std::vector<long long> versionParts(const std::string& text) {
    std::vector<long long> parts;
    size_t at = text.find_first_of("0123456789");
    while (at != std::string::npos && at < text.size() && parts.size() < 8) {
        size_t end = text.find_first_not_of("0123456789", at);
        std::string digits = text.substr(at, std::min<size_t>(end - at, 9));
        parts.push_back(std::strtoll(digits.c_str(), nullptr, 10));
        if (end == std::string::npos || text[end] != '.') break;
        at = end + 1;
        if (at >= text.size() || text[at] < '0' || text[at] > '9') break;
    }
    return parts;
}

int compareVersions(const std::string& a, const std::string& b) {
    std::vector<long long> left = versionParts(a);
    std::vector<long long> right = versionParts(b);
    for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        long long x = i < left.size() ? left[i] : 0;
        long long y = i < right.size() ? right[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string patchAddress(const std::string& fileName) {
    return patchPrefix + fileName;
}

bool readPatchFile(const ServerContext& context, const std::string& request, std::string& bytes) {
    const size_t prefixLength = std::char_traits<char>::length(patchPrefix);
    if (context.patchDir.empty() || request.compare(0, prefixLength, patchPrefix) != 0)
        return false;
    std::string name = request.substr(prefixLength);
    if (!isSafePatchName(name)) return false;
    return readWholeFile((std::filesystem::path(context.patchDir) / name).string(), bytes);
}

std::string replyNews(ServerContext& context) {
    return currentNews(context.database);
}

std::string replyWhichServer(ServerContext& context) {
    return context.publicUrl + "/secure.php?data=";
}
