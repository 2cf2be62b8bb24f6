// The transfers themselves arrive with the online client: until then a
// queued request is only entered in the log, never sent, and a blocking
// request fails at once, as it would without a network.
#include "online/requests.h"

std::deque<HttpRequest> requestLog;

static constexpr int32_t couldNotConnect = 7;

void queueRequest(const std::string& url, std::string* reply, int32_t kind, int32_t) {
    if (reply) reply->clear();
    requestLog.push_front({url, kind, nullptr, reply, "", 0, false});
}

int32_t requestNow(const std::string&, std::string* reply, int32_t) {
    if (reply) reply->clear();
    return couldNotConnect;
}

void curlprocess() {
    if (requestLog.size() > requestLogLimit) requestLog.resize(requestLogLimit);
}

std::vector<std::string> splitTokens(const std::string& text, char delimiter) {
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(delimiter, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) tokens.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}
