// Encodings of the game protocol: chunked RSA, Base64, MD5 digests, the
// secure request URL and the session hash.

// The game's wire format is the classic RSA_* PKCS#1 API; keep using it quietly.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "protocol/encodings.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

std::string secureEndpointOf(const std::string& serverUrl) {
    if (serverUrl.find("secure.php") != std::string::npos) return serverUrl;
    bool slash = !serverUrl.empty() && serverUrl.back() == '/';
    return serverUrl + (slash ? "" : "/") + "secure.php?data=";
}

// The build's server address (the CMake cache variable ZENTRIX_SERVER_URL).
std::string secureBaseUrl = secureEndpointOf(ZENTRIX_SERVER_URL);

// Plain bytes per encrypted piece: a 1024-bit modulus minus PKCS#1 v1.5 padding.
static const size_t encryptPieceSize = 117;
// Bytes per encrypted block of a 1024-bit key.
static const size_t decryptPieceSize = 128;
static const int base64LineLength = 64;
// Base64 turns every 48 input bytes into one 64-character line.
static const size_t base64InputPerLine = 48;
// Far beyond any protocol text; keeps every length inside OpenSSL's int.
static const size_t base64MaxBytes = size_t(1) << 26;
static const size_t hexStringMaxBytes = 510;
static const int sessionRandomRange = 99999;
static const size_t hardwareAddressBytes = 6;

using RsaOperation = int (*)(int, const unsigned char*, unsigned char*, RSA*, int);

static const unsigned char* asBytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// Refuses any passphrase prompt so an encrypted key fails instead of waiting on a terminal.
static int refusePassphrase(char*, int, int, void*) {
    return 0;
}

static RSA* readRsaKey(const std::string& pem, bool isPrivate) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio == nullptr) return nullptr;
    BIO_write(bio, pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* key = isPrivate ? PEM_read_bio_PrivateKey(bio, nullptr, refusePassphrase, nullptr)
                              : PEM_read_bio_PUBKEY(bio, nullptr, refusePassphrase, nullptr);
    BIO_free(bio);
    if (key == nullptr) return nullptr;
    RSA* rsa = EVP_PKEY_get1_RSA(key);
    EVP_PKEY_free(key);
    return rsa;
}

// One piece through one RSA operation with a freshly parsed key; "" when anything fails.
static std::string rsaPiece(const std::string& piece, const std::string& pem, bool isPrivate,
                            RsaOperation operation) {
    RSA* rsa = readRsaKey(pem, isPrivate);
    if (rsa == nullptr) {
        ERR_clear_error();
        return "";
    }
    std::vector<unsigned char> out(RSA_size(rsa));
    int length = operation(static_cast<int>(piece.size()), asBytes(piece), out.data(), rsa,
                           RSA_PKCS1_PADDING);
    RSA_free(rsa);
    if (length < 1) {
        ERR_clear_error();
        return "";
    }
    return std::string(reinterpret_cast<const char*>(out.data()), length);
}

static std::string rsaChunks(const std::string& input, size_t pieceSize, const std::string& pem,
                             bool isPrivate, RsaOperation operation) {
    std::string out;
    for (size_t start = 0; start < input.size(); start += pieceSize) {
        out += rsaPiece(input.substr(start, pieceSize), pem, isPrivate, operation);
    }
    return out;
}

std::string rsaEncryptChunks(const std::string& plain, const std::string& pemKey) {
    return rsaChunks(plain, encryptPieceSize, pemKey, false, RSA_public_encrypt);
}

std::string rsaDecryptChunks(const std::string& data, const std::string& pemKey) {
    return rsaChunks(data, decryptPieceSize, pemKey, false, RSA_public_decrypt);
}

std::string rsaPrivateDecryptChunks(const std::string& data, const std::string& privatePem) {
    return rsaChunks(data, decryptPieceSize, privatePem, true, RSA_private_decrypt);
}

std::string rsaPrivateEncryptChunks(const std::string& plain, const std::string& privatePem) {
    return rsaChunks(plain, encryptPieceSize, privatePem, true, RSA_private_encrypt);
}

std::string removeCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n') out += c;
    }
    return out;
}

std::string base64Encode(const std::string& bytes) {
    if (bytes.size() > base64MaxBytes) return "";
    EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
    if (context == nullptr) return "";
    EVP_EncodeInit(context);
    // Room for every full line plus the partial one flushed by the final call.
    std::vector<unsigned char> out((bytes.size() / base64InputPerLine + 2) *
                                   (base64LineLength + 1));
    int written = 0;
    int flushed = 0;
    bool ok = EVP_EncodeUpdate(context, out.data(), &written, asBytes(bytes),
                               static_cast<int>(bytes.size())) == 1;
    if (ok) EVP_EncodeFinal(context, out.data() + written, &flushed);
    EVP_ENCODE_CTX_free(context);
    if (!ok) return "";
    return std::string(reinterpret_cast<const char*>(out.data()), written + flushed);
}

// Lines of at most 64 characters, each ending in LF, as the streaming decoder expects.
static std::string wrapBase64Lines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / base64LineLength + 1);
    for (size_t start = 0; start < text.size(); start += base64LineLength) {
        out += text.substr(start, base64LineLength);
        out += '\n';
    }
    return out;
}

std::string base64Decode(const std::string& text) {
    if (text.size() > base64MaxBytes) return "";
    std::string wrapped = wrapBase64Lines(removeCrLf(text));
    EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
    if (context == nullptr) return "";
    EVP_DecodeInit(context);
    std::vector<unsigned char> out(wrapped.size() / 4 * 3 + base64InputPerLine);
    int written = 0;
    int flushed = 0;
    bool ok = EVP_DecodeUpdate(context, out.data(), &written, asBytes(wrapped),
                               static_cast<int>(wrapped.size())) >= 0 &&
              EVP_DecodeFinal(context, out.data() + written, &flushed) == 1;
    EVP_ENCODE_CTX_free(context);
    if (!ok) return "";
    return std::string(reinterpret_cast<const char*>(out.data()), written + flushed);
}

static std::string replaceChars(std::string text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

std::string makeUrlSafe(const std::string& text) {
    return replaceChars(replaceChars(text, '+', '-'), '/', '_');
}

std::string makeUrlUnsafe(const std::string& text) {
    return replaceChars(replaceChars(text, '-', '+'), '_', '/');
}

std::string makeSecureUrl(const std::string& request) {
    std::string encrypted = rsaEncryptChunks(request, serverPublicKey);
    return secureBaseUrl + makeUrlSafe(removeCrLf(base64Encode(encrypted)));
}

static std::string digestHex(const std::string& text, const EVP_MD* kind) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (context == nullptr) return "";
    bool ok = EVP_DigestInit(context, kind) == 1 &&
              EVP_DigestUpdate(context, text.data(), text.size()) == 1 &&
              EVP_DigestFinal_ex(context, digest, &length) == 1;
    EVP_MD_CTX_free(context);
    if (!ok) return "";
    return hexString(digest, length);
}

std::string md5Hex(const std::string& text) {
    return digestHex(text, EVP_md5());
}

std::string sha256Hex(const std::string& bytes) {
    return digestHex(bytes, EVP_sha256());
}

bool verifySha256Signature(const std::string& bytes, const std::string& signature,
                           const std::string& pemKey) {
    BIO* bio = BIO_new_mem_buf(pemKey.data(), static_cast<int>(pemKey.size()));
    EVP_PKEY* key = bio ? PEM_read_bio_PUBKEY(bio, nullptr, refusePassphrase, nullptr) : nullptr;
    BIO_free(bio);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = key != nullptr && context != nullptr &&
              EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
              EVP_DigestVerify(context, asBytes(signature), signature.size(), asBytes(bytes),
                               bytes.size()) == 1;
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(key);
    ERR_clear_error();
    return ok;
}

std::string hexString(const unsigned char* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    count = std::min(count, hexStringMaxBytes);
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0f];
    }
    return out;
}

std::string makeSessionHash() {
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", local);
    return stamp + md5Hex(std::to_string(std::rand() % sessionRandomRange));
}

static std::string formatHardwareAddress(const unsigned char* address) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", address[0], address[1],
                  address[2], address[3], address[4], address[5]);
    return text;
}

std::string formatMacAddressList(const std::string& sixByteAddresses) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(sixByteAddresses.data());
    std::string out;
    for (size_t start = 0; start + hardwareAddressBytes <= sixByteAddresses.size();
         start += hardwareAddressBytes) {
        if (!out.empty()) out += ' ';
        out += formatHardwareAddress(bytes + start);
    }
    return out;
}
