// From the secure endpoint's `data` to the reply text: decode, parse by the
// endpoint's key order, and hand the request to its handler.
#pragma once

#include <string>

#include "server/context.h"

// The reply to a plain relative request ("login.php?..."); "fail" for anything
// unknown or malformed. `address` is the client's, for throttling and the log.
std::string routeRequest(ServerContext& context, const std::string& request,
                         const std::string& address);

// The reply to the `data` value of secure.php.
std::string handleSecureData(ServerContext& context, const std::string& data,
                             const std::string& address);
