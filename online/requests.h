// The HTTP request queue: background transfers on one libcurl multi handle,
// pumped once a frame, blocking transfers for the screens that wait, and the
// log of every request with its outcome. online/replies.h hands the finished
// replies to their handlers.
#pragma once

#include <curl/curl.h>

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
    ReplayRequest = 10,     // replay.php, the one request with a body
    SeedsRequest = 11,      // seeds.php: seeds for ranked levels
    WatchListRequest = 12,  // a player's verified runs, from the server's public list
    WatchFileRequest = 13,  // one verified run's replay file
    BlockingRequest = 0,    // requestNow's transfers, which have no kind: only the log names it
};

struct HttpRequest {
    std::string url;  // the plain relative request, before encryption
    int32_t kind;     // RequestKind
    CURL* handle;     // the transfer; released when it ends
    std::string* reply;
    std::string errorText;  // curl_easy_strerror of the result, set when the transfer ends
    int32_t result;         // 0 is success; set when the transfer ends
    bool done;
};

extern CURLM* curlMulti;                       // created at start-up; no transfer starts while null
extern std::deque<HttpRequest> requestLog;     // newest first, at most requestLogLimit after a pump
extern char curlErrorBuffer[CURL_ERROR_SIZE];  // handed to every transfer; nothing reads it
extern std::string urlsLogPath;                // "urls.txt": one line per finished transfer
extern long replyHttpStatus;  // HTTP status of the reply being dispatched; 0 when none came

constexpr size_t requestLogLimit = 100;
constexpr int32_t shortRequestSeconds = 5;  // the time-out of most requests
constexpr int32_t connectTimeoutSeconds = 5;
// A reply buffer never grows past this; a longer reply aborts its transfer.
constexpr size_t replyLimitBytes = size_t(256) << 20;
// A refused request is logged by its endpoint and the start of the answer.
constexpr size_t loggedEndpointLength = 40;
constexpr size_t loggedAnswerLength = 120;
constexpr long firstHttpErrorStatus = 400;
constexpr long firstServerErrorStatus = 500;  // the server could not answer now, not "never"

// Start-up: libcurl for all features and the multi handle; shutdown releases both.
void startHttp();
void stopHttp();

// Starts a background transfer into reply (which the caller has cleared);
// in offline mode nothing is sent.
void queueRequest(const std::string& url, std::string* reply, int32_t kind, int32_t timeoutSeconds);
// The same as a POST whose body is `body`: only replay uploads carry one.
void queueUpload(const std::string& url, const std::string& body, std::string* reply, int32_t kind,
                 int32_t timeoutSeconds);
// A plain GET of one of the server's public routes (`path` below its address,
// as "replays/7.zxr"), which need no secure request. An HTTP error status
// fails the transfer; in offline mode nothing is sent.
void queuePublicRequest(const std::string& path, std::string* reply, int32_t kind,
                        int32_t timeoutSeconds);
// The server's address for public routes: the secure endpoint's folder.
std::string publicBaseUrl();
extern double blockingRequestMs;  // wall time spent in blocking transfers so far
// A blocking transfer; returns the transfer's result code, 0 on success.
int32_t requestNow(const std::string& url, std::string* reply, int32_t timeoutSeconds);
// A background transfer that has ended, as pumpTransfers hands it on.
struct FinishedTransfer {
    int32_t kind;        // RequestKind
    int32_t result;      // 0 is success
    std::string* reply;  // where its answer was written
    long httpStatus;     // of the reply; 0 when none came
};
// Advances every background transfer; those that ended are handed back in
// the order they ended, for the caller to hand to their handlers.
std::vector<FinishedTransfer> pumpTransfers();
// Keeps the newest requestLogLimit records of the log.
void trimRequestLog();
// libcurl's write callback: appends to the string the user pointer names.
size_t appendToReply(char* data, size_t size, size_t count, void* target);
// A request that failed waits before its next try: `first` after one failure,
// twice the last wait after each further one, never more than `longest`.
uint32_t nextRetryWaitMs(uint32_t lastWaitMs, uint32_t firstMs, uint32_t longestMs);
// The tick count at which a wait begun now ends; never 0, which stands for "none".
uint32_t retryTickAfter(uint32_t nowMs, uint32_t waitMs);
// The pieces of text between single delimiters; empty pieces are dropped.
std::vector<std::string> splitTokens(const std::string& text, char delimiter);
