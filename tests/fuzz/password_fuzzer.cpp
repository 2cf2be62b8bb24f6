// libFuzzer target: the stored password blob as the game decodes it (Base64,
// then 128-byte blocks opened with the server's public key). With the first
// byte odd the rest is first sealed as the server seals a password, so the
// fuzzer also drives the decoder through blobs that really decrypt; those
// must give the password back.
#include <cstdint>
#include <string>

#include "protocol/encodings.h"
#include "tests/fuzz/fuzz_support.h"

static const std::string& cachedServerKey() {
    static const std::string pem = builtServerKeyPem();
    return pem;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietGame();
    if (size < 1) return 0;
    std::string rest = fuzzBytes(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        rsaDecryptChunks(base64Decode(rest), serverPublicKey);
        return 0;
    }
    std::string blob = base64Encode(rsaPrivateEncryptChunks(rest, cachedServerKey()));
    if (rsaDecryptChunks(base64Decode(blob), serverPublicKey) != rest) __builtin_trap();
    return 0;
}
