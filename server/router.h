// From the secure endpoint's `data` to the reply text: decode, parse by the
// endpoint's key order, and hand the request to its handler.
#pragma once

#include <string>
#include <vector>

#include "server/context.h"

// The reply to a plain relative request ("login.php?..."); "fail" for anything
// unknown or malformed. `address` is the client's, for throttling and the log;
// `replayKeys` name the encrypted blocks the request arrived in (see decodeSecureData).
// `body` is the request's body, which only replay.php may carry; `tryLater`,
// when given, is set for a refusal that holds only for now.
std::string routeRequest(ServerContext& context, const std::string& request,
                         const std::string& address,
                         const std::vector<std::string>& replayKeys = {},
                         const std::string& body = "", bool* tryLater = nullptr);

// A reply: text, or a published patch file streamed from disk.
struct Reply {
    std::string text;
    int fileFd = -1;  // open file to send instead of `text`; its receiver closes it
    long long fileSize = 0;
    bool tryLater = false;  // a refusal for now: answered 503, so the client sends again
};

// The reply to the `data` value of secure.php (and the body of a replay upload).
Reply handleSecureData(ServerContext& context, const std::string& data, const std::string& address,
                       const std::string& body = "");
