// What every request handler needs: the database, the private key and the
// addresses the server hands out.
#pragma once

#include <ctime>
#include <string>

#include "server/secure.h"
#include "server/storage.h"

struct ServerContext {
    Database* database = nullptr;
    ServerKey key;
    std::string publicUrl;  // "http://host:port", the base of which_server.php's reply
    std::string patchDir;   // folder of published patch files; "" when none
    long long sessionIdleSeconds = 24 * 3600;  // a session unused this long has ended
    // A private server's choice: results count as they arrive, before their replay is verified.
    bool countUnverifiedResults = false;
    std::string trustedProxies;  // comma-separated CIDRs whose X-Forwarded-For is believed
    std::string metricsFrom;     // comma-separated CIDRs besides loopback that may read /metrics
};

// Seconds since the epoch, for the rows' time stamps.
inline long long nowSeconds() {
    return static_cast<long long>(std::time(nullptr));
}
