// The HTTP request queue: background transfers queued by the game and pumped
// once a frame, blocking transfers for the screens that wait, and the log of
// every request with its outcome.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

enum RequestKind : int32_t {
    LoginRequest = 1,
    HighscoreRequest = 2,
    DeathRequest = 3,
    ScoreRequest = 4,
    PatchRequest = 5,
    CheeveRequest = 6,
    SyncCheevesRequest = 7,
    NewsRequest = 8,
    RankingRequest = 9,
};

struct HttpRequest {
    std::string url;  // the plain relative request, before encryption
    int32_t kind;     // RequestKind
    void* handle;     // the transfer; null once it has ended
    std::string* reply;
    std::string errorText;  // the transfer library's text for the result
    int32_t result;         // 0 is success; set when the transfer ends
    bool done;
};

extern std::deque<HttpRequest> requestLog;  // newest first, at most requestLogLimit after a pump

constexpr size_t requestLogLimit = 100;
constexpr int32_t shortRequestSeconds = 5;  // the time-out of most requests

// Starts a background transfer into reply (which the caller has cleared).
void queueRequest(const std::string& url, std::string* reply, int32_t kind, int32_t timeoutSeconds);
// A blocking transfer; returns the transfer's result code, 0 on success.
int32_t requestNow(const std::string& url, std::string* reply, int32_t timeoutSeconds);
// Advances every background transfer; replies are handled in this frame.
void curlprocess();
// The pieces of text between single delimiters; empty pieces are dropped.
std::vector<std::string> splitTokens(const std::string& text, char delimiter);
