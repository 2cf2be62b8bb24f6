// libFuzzer target for the secure request decoder and the key-order query
// parser. The first input byte chooses the path:
//   0: the bytes are a plain relative request;
//   1: the bytes are the `data` value of secure.php;
//   2: the bytes are encrypted with the public key first, so the parser sees
//      whatever survives the real decoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/encodings.h"
#include "server/query.h"
#include "server/secure.h"
#include "tests/fuzz/fuzz_support.h"

// Loaded once for the whole campaign; a key that does not load stops it.
static const ServerKey& fuzzKey() {
    static const ServerKey key = [] {
        ServerKey loaded;
        std::string error;
        if (!loadServerKey(builtServerKeyPem(), loaded, error)) __builtin_trap();
        return loaded;
    }();
    return key;
}

static void parseAndRead(const std::string& request) {
    ParsedRequest parsed;
    if (!parseRequest(request, parsed)) return;
    for (const EndpointSpec& spec : endpointSpecs()) {
        if (parsed.endpoint != spec.name) continue;
        // Every key of a parsed request is present.
        for (const FieldSpec& field : spec.fields) {
            if (parsed.values.count(field.key) == 0) __builtin_trap();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string request, reason;
    switch (data[0] % 3) {
        case 0:
            parseAndRead(input);
            break;
        case 1:
            if (decodeSecureData(fuzzKey(), input, request, reason)) parseAndRead(request);
            break;
        default: {
            std::string secure =
                makeUrlSafe(removeCrLf(base64Encode(rsaEncryptChunks(input, serverPublicKey))));
            if (decodeSecureData(fuzzKey(), secure, request, reason)) parseAndRead(request);
        }
    }
    return 0;
}
