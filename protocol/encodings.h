// Encodings of the game protocol: chunked RSA, Base64, MD5 digests, the
// secure request URL and the session hash. Linked by the game, the protocol
// tool and the server, so nothing here touches the platform layer.
#pragma once

#include <string>

extern const std::string serverPublicKey;  // the server's RSA public key, PEM with CR LF lines
extern std::string secureBaseUrl;          // the build's server + "/secure.php?data="; --server and
                                           // which_server.php replace it

// "http://host:port" -> "http://host:port/secure.php?data="; a full endpoint stays as it is.
std::string secureEndpointOf(const std::string& serverUrl);

// The full request URL for a plain relative request ("login.php?...").
std::string makeSecureUrl(const std::string& request);

// Encrypts 117-byte pieces with the public key into 128-byte blocks.
std::string rsaEncryptChunks(const std::string& plain, const std::string& pemKey);
// Decrypts 128-byte blocks that the private key encrypted, with the public key.
std::string rsaDecryptChunks(const std::string& data, const std::string& pemKey);

// The server's halves of the same operations, with the private key (PEM).
std::string rsaPrivateDecryptChunks(const std::string& data, const std::string& privatePem);
std::string rsaPrivateEncryptChunks(const std::string& plain, const std::string& privatePem);

// Standard Base64; the encoder wraps lines at 64 characters like OpenSSL's.
std::string base64Encode(const std::string& bytes);
// Accepts wrapped or unwrapped standard Base64 (not the URL-safe alphabet).
std::string base64Decode(const std::string& text);
// The text without its CR and LF characters (Base64 line breaks).
std::string removeCrLf(const std::string& text);
// "+" -> "-", "/" -> "_"; "=" stays.
std::string makeUrlSafe(const std::string& text);
// The inverse mapping, for the server and the protocol tool.
std::string makeUrlUnsafe(const std::string& text);

std::string md5Hex(const std::string& text);
// Lower-case hex SHA-256 (the digest a replay upload names its body by).
std::string sha256Hex(const std::string& bytes);
// An RSA-SHA256 PKCS#1 v1.5 signature (raw bytes) of bytes, checked with a public key.
bool verifySha256Signature(const std::string& bytes, const std::string& signature,
                           const std::string& pemKey);
// "%02x" per byte, at most 510 bytes.
std::string hexString(const unsigned char* bytes, size_t count);

// 14 digits of local time ("%Y%m%d%H%M%S") followed by md5Hex of a random number.
std::string makeSessionHash();
// Hardware addresses as "AA-BB-CC-DD-EE-FF" joined by single spaces.
std::string formatMacAddressList(const std::string& sixByteAddresses);
