// libFuzzer target: every endpoint of the server through its router, on a
// SQLite database in memory-backed storage that holds one registered player
// (user id 1, password "secret"). The first byte picks the client's address
// (so the per-address throttles are met and passed); the rest is up to eight
// plain requests, one a line, routed in order. Every reply is text (news.php's
// may be empty) with no control characters but a ranking page's line ends.
#include <cstdint>
#include <sstream>
#include <string>

#include "protocol/encodings.h"
#include "server/router.h"
#include "tests/fuzz/fuzz_support.h"

static constexpr int maxRequestsPerInput = 8;
static constexpr int databaseConnections = 2;

static ServerContext& fuzzServer() {
    static ServerContext context;
    static bool ready = false;
    if (ready) return context;
    std::string error;
    if (!loadServerKey(builtServerKeyPem(), context.key, error)) __builtin_trap();
    context.database =
        openDatabase("sqlite:" + fuzzScratch() + "/server.sqlite", databaseConnections, error);
    if (!context.database) __builtin_trap();
    context.publicUrl = "http://127.0.0.1:8080";
    std::string registered =
        routeRequest(context,
                     "reg.php?beta=1&username=fuzzplayer&passwordHash=" + md5Hex("secret") +
                         "&password=secret&email=fuzz@example.org",
                     "192.0.2.1");
    if (registered.compare(0, 8, "success ") != 0) __builtin_trap();
    ready = true;
    return context;
}

static bool isText(const std::string& reply) {
    for (char c : reply) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\n' && c != '\r' && c != '\t') return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    ServerContext& context = fuzzServer();
    std::string address = "198.51.100." + std::to_string(data[0]);
    std::istringstream requests(fuzzBytes(data + 1, size - 1));
    std::string request;
    for (int i = 0; i < maxRequestsPerInput && std::getline(requests, request); i++) {
        std::string reply = routeRequest(context, request, address);
        if (!isText(reply)) __builtin_trap();
    }
    return 0;
}
