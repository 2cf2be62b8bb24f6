// The stored news text and patch records, and how clients read them.
#include "server/releases.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "server/log.h"

static const char patchPrefix[] = "patches/";
static const int newsRowId = 1;
static const size_t maxPatchNameLength = 128;
static const char signatureSuffix[] = ".sig";

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

bool isSafePatchName(const std::string& name) {
    if (name.empty() || name.size() > maxPatchNameLength || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool isSignatureName(const std::string& name) {
    const size_t length = std::char_traits<char>::length(signatureSuffix);
    return name.size() > length && name.compare(name.size() - length, length, signatureSuffix) == 0;
}

bool isPublishedPatch(Database* database, const std::string& fileName) {
    ConnectionLease lease(database);
    SqlRows rows;
    sqlExec(lease.connection, "SELECT id FROM patches WHERE file_name = $1", {sqlText(fileName)},
            &rows);
    return !rows.empty();
}

std::string signatureFileName(const std::string& fileName) {
    return fileName + signatureSuffix;
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

bool openPublishedPatch(const ServerContext& context, const std::string& request, int& fd,
                        long long& size) {
    const size_t prefixLength = std::char_traits<char>::length(patchPrefix);
    if (context.patchDir.empty() || request.compare(0, prefixLength, patchPrefix) != 0)
        return false;
    std::string name = request.substr(prefixLength);
    if (!isSafePatchName(name)) return false;
    std::string patchName = name;
    if (isSignatureName(name))
        patchName.resize(name.size() - std::char_traits<char>::length(signatureSuffix));
    if (!isPublishedPatch(context.database, patchName)) return false;
    std::string path = (std::filesystem::path(context.patchDir) / name).string();
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        size = static_cast<long long>(info.st_size);
        return true;
    }
    if (fd >= 0) ::close(fd);
    fd = -1;
    logLine("published patch file " + path + " cannot be opened");
    return false;
}

std::string replyNews(ServerContext& context) {
    return currentNews(context.database);
}

std::string replyWhichServer(ServerContext& context) {
    return context.publicUrl + "/secure.php?data=";
}
