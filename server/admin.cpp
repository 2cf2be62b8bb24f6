// Publishing patches.
#include "server/admin.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "protocol/encodings.h"
#include "server/log.h"
#include "server/releases.h"

static const size_t copyChunkBytes = 64 * 1024;

// The MD5 the client checks and the RSA-SHA256 signature it verifies with the
// public key, both taken over the file's bytes as they stream past.
struct PatchDigests {
    EVP_MD_CTX* md5 = EVP_MD_CTX_new();
    EVP_MD_CTX* sign = EVP_MD_CTX_new();
    bool ok;
    explicit PatchDigests(const ServerKey& key) {
        ok = md5 != nullptr && sign != nullptr && EVP_DigestInit_ex(md5, EVP_md5(), nullptr) == 1 &&
             EVP_DigestSignInit(sign, nullptr, EVP_sha256(), nullptr,
                                static_cast<EVP_PKEY*>(key.key)) == 1;
    }
    ~PatchDigests() {
        EVP_MD_CTX_free(md5);
        EVP_MD_CTX_free(sign);
    }
    void add(const char* bytes, size_t count) {
        ok = ok && EVP_DigestUpdate(md5, bytes, count) == 1 &&
             EVP_DigestSignUpdate(sign, bytes, count) == 1;
    }
    bool finish(std::string& md5Text, std::string& signature) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int digestLength = 0;
        size_t signatureLength = 0;
        ok = ok && EVP_DigestFinal_ex(md5, digest, &digestLength) == 1 &&
             EVP_DigestSignFinal(sign, nullptr, &signatureLength) == 1;
        if (!ok) return false;
        signature.resize(signatureLength);
        ok = EVP_DigestSignFinal(sign, reinterpret_cast<unsigned char*>(&signature[0]),
                                 &signatureLength) == 1;
        signature.resize(signatureLength);
        md5Text = hexString(digest, digestLength);
        return ok;
    }
};

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

// Streams `file` into a hidden temporary file in `folder`, taking its size,
// MD5 and RSA-SHA256 signature on the way; the temporary's path in `temporary`.
static bool copyAndDigest(const std::string& file, const std::filesystem::path& folder,
                          const ServerKey& key, PatchInfo& patch, std::string& signature,
                          std::string& temporary, std::string& error) {
    std::ifstream source(file, std::ios::binary);
    if (!source) return failWith(error, "cannot read " + file);
    temporary = (folder / ("." + patch.fileName + ".publishing")).string();
    std::ofstream target(temporary, std::ios::binary | std::ios::trunc);
    if (!target) return failWith(error, "cannot write into " + folder.string());
    PatchDigests digests(key);
    std::vector<char> buffer(copyChunkBytes);
    while (source.read(buffer.data(), buffer.size()) || source.gcount() > 0) {
        size_t count = static_cast<size_t>(source.gcount());
        target.write(buffer.data(), static_cast<std::streamsize>(count));
        digests.add(buffer.data(), count);
        patch.size += static_cast<long long>(count);
    }
    target.flush();
    if (source.bad() || !target) return failWith(error, "cannot copy " + file + " (disk full?)");
    if (!digests.finish(patch.md5, signature)) return failWith(error, "cannot sign the patch");
    return true;
}

// Syncs a finished file and gives it its public name in one step.
static bool moveIntoPlace(const std::string& temporary, const std::filesystem::path& target) {
    int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    return synced && ::rename(temporary.c_str(), target.c_str()) == 0;
}

static bool writeSignature(const std::filesystem::path& folder, const std::string& fileName,
                           const std::string& signature) {
    std::string temporary = (folder / ("." + fileName + ".sig.publishing")).string();
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(signature.data(), static_cast<std::streamsize>(signature.size()));
        if (!out.flush()) return false;
    }
    return moveIntoPlace(temporary, folder / signatureFileName(fileName));
}

bool publishPatch(Database* database, const ServerKey& key, const std::string& file, bool isExe,
                  const std::string& minVersion, const std::string& patchDir, std::string& error) {
    PatchInfo patch;
    patch.fileName = std::filesystem::path(file).filename().string();
    patch.isExe = isExe;
    patch.minVersion = minVersion;
    if (!isSafePatchName(patch.fileName) || isSignatureName(patch.fileName)) {
        return failWith(error,
                        "patch file names may hold only letters, digits, '.', '-' and '_',"
                        " and may not end in .sig");
    }
    if (isPublishedPatch(database, patch.fileName))
        return failWith(error,
                        patch.fileName + " is published already; give a new patch a new name");
    std::filesystem::path folder(patchDir);
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    std::string signature, temporary;
    bool ok = copyAndDigest(file, folder, key, patch, signature, temporary, error) &&
              (writeSignature(folder, patch.fileName, signature) ||
               failWith(error, "cannot write the signature into " + patchDir)) &&
              (moveIntoPlace(temporary, folder / patch.fileName) ||
               failWith(error, "cannot move the patch into " + patchDir)) &&
              (recordPatch(database, patch) || failWith(error, "cannot record the patch"));
    if (!temporary.empty()) std::filesystem::remove(temporary, code);
    return ok;
}
