// The secure endpoint's envelope: the private key, loaded once, and the
// decoding of `data` (URL-safe Base64 of 128-byte RSA blocks) into the plain
// relative request; plus the password blobs that only the private key can make.
#pragma once

#include <string>
#include <vector>

struct ServerKey {
    std::string pem;      // the private key as read from its file
    void* key = nullptr;  // the parsed key (EVP_PKEY), shared read-only by all threads
};

// Parses a PEM private key of 1024 bits; false with `error` set otherwise.
bool loadServerKey(const std::string& pem, ServerKey& key, std::string& error);
void freeServerKey(ServerKey& key);

// Decodes the `data` value into the plain request; false with `reason` set when
// it is not URL-safe Base64, not whole blocks, not for this key, or not text.
// `blockKeys` (may be null) receives the SHA-256 hex of each encrypted block
// as decoded: the same ciphertext however its Base64 was spelt. Genuine
// requests have fresh random padding in every block, so a block seen before
// marks a recording played back.
bool decodeSecureData(const ServerKey& key, const std::string& data, std::string& request,
                      std::string& reason, std::vector<std::string>* blockKeys = nullptr);

// The Base64 text of `password` encrypted with the private key (the client opens it).
std::string makePasswordBlob(const ServerKey& key, const std::string& password);

// Writes a new 1024-bit pair as server_private.pem (mode 0600 from its
// creation) and server_public.pem into `folder`; refuses to replace an
// existing pair unless `overwrite`.
bool generateKeyPair(const std::string& folder, bool overwrite, std::string& error);
