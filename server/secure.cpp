// Decoding of secure requests with a private key parsed once at start.
#include "server/secure.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "protocol/encodings.h"
#include "server/metrics.h"

static const size_t rsaBlockBytes = 128;
static const int keyBits = 1024;
// A request URL is at most a few kilobytes; anything far beyond is refused before decoding.
static const size_t maxDataLength = 16384;
static const mode_t privateKeyMode = 0600;
static const mode_t publicKeyMode = 0644;

static EVP_PKEY* asKey(const ServerKey& key) {
    return static_cast<EVP_PKEY*>(key.key);
}

static int refusePassphrase(char*, int, int, void*) {
    return 0;
}

bool loadServerKey(const std::string& pem, ServerKey& key, std::string& error) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    if (bio == nullptr) return false;
    EVP_PKEY* parsed = PEM_read_bio_PrivateKey(bio, nullptr, refusePassphrase, nullptr);
    BIO_free(bio);
    ERR_clear_error();
    if (parsed == nullptr || EVP_PKEY_get_base_id(parsed) != EVP_PKEY_RSA ||
        EVP_PKEY_get_bits(parsed) != keyBits) {
        EVP_PKEY_free(parsed);
        error = "not an unencrypted 1024-bit RSA private key in PEM form";
        return false;
    }
    key.pem = pem;
    key.key = parsed;
    return true;
}

void freeServerKey(ServerKey& key) {
    EVP_PKEY_free(asKey(key));
    key.key = nullptr;
}

// Sets the reason a request or operation was refused and answers false.
static bool refuse(std::string& reason, const char* text) {
    reason = text;
    return false;
}

static bool isUrlSafeBase64(const std::string& text) {
    for (char c : text) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '=';
        if (!ok) return false;
    }
    return true;
}

// Each thread keeps one decryption context for the key: setting one up per block costs
// provider look-ups under global locks. The context holds a reference to its key.
struct DecryptContext {
    EVP_PKEY* key = nullptr;
    EVP_PKEY_CTX* context = nullptr;
    ~DecryptContext() { EVP_PKEY_CTX_free(context); }
};

static EVP_PKEY_CTX* decryptContextFor(EVP_PKEY* key) {
    thread_local DecryptContext cached;
    if (cached.key == key && cached.context != nullptr) return cached.context;
    EVP_PKEY_CTX_free(cached.context);
    cached.key = key;
    cached.context = EVP_PKEY_CTX_new(key, nullptr);
    if (cached.context != nullptr &&
        (EVP_PKEY_decrypt_init(cached.context) != 1 ||
         EVP_PKEY_CTX_set_rsa_padding(cached.context, RSA_PKCS1_PADDING) != 1)) {
        EVP_PKEY_CTX_free(cached.context);
        cached.context = nullptr;
    }
    return cached.context;
}

static bool decryptBlock(EVP_PKEY* key, const unsigned char* block, std::string& out) {
    EVP_PKEY_CTX* context = decryptContextFor(key);
    if (context == nullptr) return false;
    unsigned char plain[rsaBlockBytes];
    size_t length = sizeof plain;
    bool ok = EVP_PKEY_decrypt(context, plain, &length, block, rsaBlockBytes) == 1;
    countRsaDecryption(ok);
    if (!ok) {
        ERR_clear_error();
        return false;
    }
    out.append(reinterpret_cast<const char*>(plain), length);
    return true;
}

static bool isRequestText(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) return false;
    }
    return !text.empty();
}

bool decodeSecureData(const ServerKey& key, const std::string& data, std::string& request,
                      std::string& reason, std::vector<std::string>* blockKeys) {
    request.clear();
    if (data.empty() || data.size() > maxDataLength)
        return refuse(reason, "data missing or too long");
    if (!isUrlSafeBase64(data)) return refuse(reason, "data is not URL-safe Base64");
    std::string encrypted = base64Decode(makeUrlUnsafe(data));
    if (encrypted.empty() || encrypted.size() % rsaBlockBytes != 0) {
        return refuse(reason, "data is not a whole number of 128-byte blocks");
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(encrypted.data());
    for (size_t start = 0; start < encrypted.size(); start += rsaBlockBytes) {
        if (!decryptBlock(asKey(key), bytes + start, request)) {
            request.clear();
            return refuse(reason, "a block does not decrypt with this key");
        }
        if (blockKeys != nullptr)
            blockKeys->push_back(sha256Hex(encrypted.substr(start, rsaBlockBytes)));
    }
    if (!isRequestText(request)) return refuse(reason, "the request holds control characters");
    return true;
}

std::string makePasswordBlob(const ServerKey& key, const std::string& password) {
    return removeCrLf(base64Encode(rsaPrivateEncryptChunks(password, key.pem)));
}

// Writes `text` to `path` through a file created with `mode` from the start, so
// a private key is never readable by others, not even for a moment.
static bool writeNewFile(const std::filesystem::path& path, const std::string& text, mode_t mode,
                         bool overwrite) {
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        ok = written > 0;
        if (ok) done += static_cast<size_t>(written);
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

static std::string pemText(EVP_PKEY* key, bool isPrivate) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr) return "";
    bool ok = isPrivate ? PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr)
                        : PEM_write_bio_PUBKEY(bio, key);
    char* text = nullptr;
    long length = BIO_get_mem_data(bio, &text);
    std::string pem = ok && length > 0 ? std::string(text, static_cast<size_t>(length)) : "";
    BIO_free(bio);
    return pem;
}

bool generateKeyPair(const std::string& folder, bool overwrite, std::string& error) {
    std::filesystem::path privatePath = std::filesystem::path(folder) / "server_private.pem";
    std::filesystem::path publicPath = std::filesystem::path(folder) / "server_public.pem";
    std::error_code code;
    bool exists =
        std::filesystem::exists(privatePath, code) || std::filesystem::exists(publicPath, code);
    if (exists && !overwrite) {
        return refuse(error,
                      "a key pair already exists there; --force replaces it, and every"
                      " game built with the old public key stops working");
    }
    std::filesystem::create_directories(folder, code);
    EVP_PKEY* key = EVP_RSA_gen(keyBits);
    if (key == nullptr) return refuse(error, "RSA key generation failed");
    std::string privatePem = pemText(key, true);
    std::string publicPem = pemText(key, false);
    EVP_PKEY_free(key);
    bool ok = !privatePem.empty() && !publicPem.empty() &&
              writeNewFile(privatePath, privatePem, privateKeyMode, overwrite) &&
              writeNewFile(publicPath, publicPem, publicKeyMode, overwrite);
    if (!ok) error = "cannot write the key files into " + folder + ": " + std::strerror(errno);
    return ok;
}
