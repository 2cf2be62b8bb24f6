#include "online/requests.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/console_log.h"
#include "game/server_link.h"
#include "protocol/encodings.h"

CURLM* curlMulti = nullptr;
std::deque<HttpRequest> requestLog;
char curlErrorBuffer[CURL_ERROR_SIZE];
std::string urlsLogPath = "urls.txt";
long replyHttpStatus = 0;

// The body is a file, not form fields; and it goes at once, without waiting
// for the server's "100 Continue".
static curl_slist* uploadHeaders = nullptr;

static void makeUploadHeaders() {
    if (uploadHeaders) return;
    uploadHeaders = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
    uploadHeaders = curl_slist_append(uploadHeaders, "Expect:");
}

void startHttp() {
    curl_global_init(CURL_GLOBAL_ALL);
    curlMulti = curl_multi_init();
    makeUploadHeaders();
}

void stopHttp() {
    for (HttpRequest& request : requestLog) {
        if (request.done || !request.handle) continue;
        curl_multi_remove_handle(curlMulti, request.handle);
        curl_easy_cleanup(request.handle);
        request.handle = nullptr;
    }
    if (curlMulti) curl_multi_cleanup(curlMulti);
    curlMulti = nullptr;
    curl_slist_free_all(uploadHeaders);
    uploadHeaders = nullptr;
    curl_global_cleanup();
}

size_t appendToReply(char* data, size_t size, size_t count, void* target) {
    auto* reply = static_cast<std::string*>(target);
    if (!reply) return 0;
    size_t bytes = size * count;
    if (reply->size() + bytes > replyLimitBytes) {
        logConsole("Reply longer than " + std::to_string(replyLimitBytes >> 20) + " MB refused");
        return 0;
    }
    reply->append(data, bytes);
    return bytes;
}

// `address` is the whole URL: the secure endpoint's for game requests.
static void setTransferOptions(CURL* handle, const std::string& address, std::string* reply,
                               int32_t timeoutSeconds) {
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, curlErrorBuffer);
    curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle, CURLOPT_HEADER, 0L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendToReply);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, reply);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSeconds));
}

// The logical endpoint of a plain request: never its values, which may hold a password.
static std::string endpointOf(const std::string& url) {
    return url.substr(0, std::min(url.find('?'), loggedEndpointLength));
}

// A refusal ("fail") or an HTTP error status goes to the console log with the
// request's kind and the start of the server's answer, so a request the server
// will not take is never refused unseen.
static void logRefusal(CURL* handle, const std::string& url, int32_t kind,
                       const std::string& reply) {
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (reply != "fail" && status < firstHttpErrorStatus) return;
    std::string answer = reply.substr(0, loggedAnswerLength);
    for (char& c : answer)
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    logConsole("The server refused " + endpointOf(url) + " (kind " + std::to_string(kind) +
               ", HTTP " + std::to_string(status) + "): " + answer);
}

static void performWhileAsked() {
    int running = 0;
    while (curl_multi_perform(curlMulti, &running) == CURLM_CALL_MULTI_PERFORM) {
    }
}

// What a background transfer is: a secure request, an upload with its body,
// or a plain GET of a public route.
struct TransferShape {
    std::string address;
    const std::string* body = nullptr;  // a POST of these bytes
    bool publicRoute = false;
};

// Starts a background transfer; `url` is what the log shows of it.
static void startTransfer(const std::string& url, const TransferShape& shape, std::string* reply,
                          int32_t kind, int32_t timeoutSeconds) {
    // Offline play sends nothing, whichever part of the game asks.
    if (!curlMulti || serverLink.connectionMode == ConnectionOffline) return;
    CURL* handle = curl_easy_init();
    if (!handle) return;
    setTransferOptions(handle, shape.address, reply, timeoutSeconds);
    // A public route answers a missing replay with 404, which is a failure.
    if (shape.publicRoute) curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    if (const std::string* body = shape.body) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
        curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body->data());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, uploadHeaders);
    }
    curl_multi_add_handle(curlMulti, handle);
    requestLog.push_front({url, kind, handle, reply, "", 0, false});
    performWhileAsked();
}

void queueRequest(const std::string& url, std::string* reply, int32_t kind,
                  int32_t timeoutSeconds) {
    startTransfer(url, {makeSecureUrl(url)}, reply, kind, timeoutSeconds);
}

void queueUpload(const std::string& url, const std::string& body, std::string* reply, int32_t kind,
                 int32_t timeoutSeconds) {
    startTransfer(url, {makeSecureUrl(url), &body}, reply, kind, timeoutSeconds);
}

std::string publicBaseUrl() {
    return secureBaseUrl.substr(0, secureBaseUrl.rfind('/') + 1);
}

void queuePublicRequest(const std::string& path, std::string* reply, int32_t kind,
                        int32_t timeoutSeconds) {
    startTransfer(path, {publicBaseUrl() + path, nullptr, true}, reply, kind, timeoutSeconds);
}
double blockingRequestMs = 0.0;

int32_t requestNow(const std::string& url, std::string* reply, int32_t timeoutSeconds) {
    auto start = std::chrono::steady_clock::now();
    struct AddTime {
        std::chrono::steady_clock::time_point start;
        ~AddTime() {
            std::chrono::duration<double, std::milli> spent =
                std::chrono::steady_clock::now() - start;
            blockingRequestMs += spent.count();
        }
    } addTime{start};
    CURL* handle = curl_easy_init();
    if (!handle) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_FAILED_INIT;
    try {
        setTransferOptions(handle, makeSecureUrl(url), reply, timeoutSeconds);
        result = curl_easy_perform(handle);
        if (result == CURLE_OK && reply) logRefusal(handle, url, BlockingRequest, *reply);
    } catch (...) {
        logConsole("Blocking request raised an exception");
    }
    curl_easy_cleanup(handle);
    return result;
}

static void appendUrlsLine(const std::string& text) {
    FILE* file = fopen(urlsLogPath.c_str(), "a");
    if (!file) return;
    fprintf(file, "%s\r\n", text.c_str());
    fclose(file);
}

// The record of a finished transfer, now done, with the HTTP status of its
// reply (0 when none came); nullptr when its record aged out of the log.
static HttpRequest* finishTransfer(CURL* handle, CURLcode result, long& httpStatus) {
    httpStatus = 0;
    for (HttpRequest& request : requestLog) {
        if (request.done || request.handle != handle) continue;
        request.result = result;
        request.errorText = curl_easy_strerror(result);
        request.done = true;
        appendUrlsLine(request.errorText);
        if (result == CURLE_OK && request.reply) {
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &httpStatus);
            logRefusal(handle, request.url, request.kind, *request.reply);
        }
        curl_multi_remove_handle(curlMulti, handle);
        curl_easy_cleanup(handle);
        request.handle = nullptr;
        return &request;
    }
    // A transfer whose record aged out of the log ends unheard.
    curl_multi_remove_handle(curlMulti, handle);
    curl_easy_cleanup(handle);
    return nullptr;
}

std::vector<FinishedTransfer> pumpTransfers() {
    std::vector<FinishedTransfer> finished;
    if (!curlMulti) return finished;
    performWhileAsked();
    int queued = 1;
    while (queued > 0) {
        CURLMsg* message = curl_multi_info_read(curlMulti, &queued);
        if (!message) break;
        if (message->msg != CURLMSG_DONE) continue;
        long httpStatus = 0;
        HttpRequest* request =
            finishTransfer(message->easy_handle, message->data.result, httpStatus);
        if (request)
            finished.push_back({request->kind, request->result, request->reply, httpStatus});
    }
    return finished;
}

void trimRequestLog() {
    if (requestLog.size() > requestLogLimit) requestLog.resize(requestLogLimit);
}

uint32_t nextRetryWaitMs(uint32_t lastWaitMs, uint32_t firstMs, uint32_t longestMs) {
    return lastWaitMs == 0 ? firstMs : std::min(lastWaitMs * 2, longestMs);
}

uint32_t retryTickAfter(uint32_t nowMs, uint32_t waitMs) {
    // A tick count that wraps to 0 moves on by one.
    return std::max<uint32_t>(nowMs + waitMs, 1);
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
