// Counters behind /metrics. Requests are kept per (endpoint, status, result)
// under one mutex: a handful of labels, touched once per request.
#include "server/metrics.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>

// Upper bounds of the latency buckets in seconds; +Inf is added when written.
static const std::array<double, 12> latencyBounds = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                     0.1,   0.25,   0.5,   1,    2.5,   10};

struct RequestKey {
    std::string endpoint;
    int status;
    bool fail;
    bool operator<(const RequestKey& other) const {
        return std::tie(endpoint, status, fail) <
               std::tie(other.endpoint, other.status, other.fail);
    }
};

static std::mutex requestMutex;
static std::map<RequestKey, unsigned long long> requestCounts;
static std::array<unsigned long long, latencyBounds.size()> latencyBuckets{};  // not cumulative
static unsigned long long latencyCount = 0;
static double latencySum = 0;
static std::atomic<unsigned long long> rsaOk{0}, rsaFailed{0}, databaseErrors{0};
static std::atomic<long long> openConnections{0};
static std::atomic<long long> databaseWaiters{0};

void countRequest(const std::string& endpoint, int status, bool failReply, double seconds) {
    std::lock_guard<std::mutex> lock(requestMutex);
    ++requestCounts[{endpoint, status, failReply}];
    for (size_t i = 0; i < latencyBounds.size(); ++i) {
        if (seconds > latencyBounds[i]) continue;
        ++latencyBuckets[i];
        break;
    }
    ++latencyCount;
    latencySum += seconds;
}

void countRsaDecryption(bool ok) {
    ++(ok ? rsaOk : rsaFailed);
}

void countDatabaseError() {
    ++databaseErrors;
}

void setOpenConnections(long long count) {
    openConnections = count;
}

void setDatabaseWaiters(long long count) {
    databaseWaiters = count;
}

std::string endpointLabel(const std::string& path) {
    static const char* const routes[] = {"/secure.php", "/",        "/ranking",
                                         "/account",    "/healthz", "/metrics"};
    for (const char* route : routes)
        if (path == route) return route;
    if (path.compare(0, 9, "/patches/") == 0) return "/patches/";
    // The public replays, one label per route whatever the id.
    if (path.compare(0, 9, "/players/") == 0) return "/players/ID/replays";
    if (path.compare(0, 9, "/replays/") == 0) return "/replays/ID.zxr";
    return "other";
}

static std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

static std::string header(const char* name, const char* type, const char* help) {
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

static std::string requestLines() {
    std::string text = header("zentrix_http_requests_total", "counter",
                              "HTTP requests answered, by route, status and game result.");
    for (const auto& [key, count] : requestCounts) {
        text += "zentrix_http_requests_total{endpoint=\"" + key.endpoint + "\",code=\"" +
                std::to_string(key.status) + "\",result=\"" + (key.fail ? "fail" : "ok") + "\"} " +
                std::to_string(count) + "\n";
    }
    return text;
}

static std::string latencyLines() {
    std::string text = header("zentrix_http_request_duration_seconds", "histogram",
                              "Seconds from a complete request to its queued reply.");
    unsigned long long cumulative = 0;
    for (size_t i = 0; i < latencyBounds.size(); ++i) {
        cumulative += latencyBuckets[i];
        text += "zentrix_http_request_duration_seconds_bucket{le=\"" + number(latencyBounds[i]) +
                "\"} " + std::to_string(cumulative) + "\n";
    }
    text += "zentrix_http_request_duration_seconds_bucket{le=\"+Inf\"} " +
            std::to_string(latencyCount) + "\n";
    text += "zentrix_http_request_duration_seconds_sum " + number(latencySum) + "\n";
    text += "zentrix_http_request_duration_seconds_count " + std::to_string(latencyCount) + "\n";
    return text;
}

std::string metricsText() {
    std::string text;
    {
        std::lock_guard<std::mutex> lock(requestMutex);
        text = requestLines() + latencyLines();
    }
    text += header("zentrix_http_open_connections", "gauge", "Client connections open now.");
    text += "zentrix_http_open_connections " + std::to_string(openConnections.load()) + "\n";
    text += header("zentrix_database_waiting_requests", "gauge",
                   "Requests waiting for a pooled database connection now.");
    text += "zentrix_database_waiting_requests " + std::to_string(databaseWaiters.load()) + "\n";
    text += header("zentrix_rsa_decryptions_total", "counter",
                   "RSA blocks decrypted by the secure endpoint, by result.");
    text += "zentrix_rsa_decryptions_total{result=\"ok\"} " + std::to_string(rsaOk.load()) + "\n";
    text += "zentrix_rsa_decryptions_total{result=\"failed\"} " + std::to_string(rsaFailed.load()) +
            "\n";
    text += header("zentrix_database_errors_total", "counter", "Database statements that failed.");
    text += "zentrix_database_errors_total " + std::to_string(databaseErrors.load()) + "\n";
    return text;
}
