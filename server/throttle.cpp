// Exponential delays after failures and hourly registration allowances, in memory.
#include "server/throttle.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

struct FailureRecord {
    int failures = 0;
    long long lastFailureMs = 0;  // steady clock
};

// Requests counted in a fixed window (registrations per hour, public pages per minute).
struct Allowance {
    long long windowStartMs = 0;
    int used = 0;
};

static std::mutex throttleMutex;
static std::map<std::string, FailureRecord> failureRecords;
static std::map<std::string, Allowance> registrations;
static std::map<std::string, Allowance> publicPageViews;

// A few typing mistakes cost nothing; then every failure doubles the wait.
static const int freeFailures = 3;
static const int addressFreeFailures = 30;
// Guesses at one account from many addresses: more room, so its owner is
// rarely kept waiting, and still a wall against a spread-out guesser.
static const int accountFreeFailures = 10;
static const long long firstDelayMs = 1000;
static const long long maxDelayMs = 15 * 60 * 1000;
static const long long hourMs = 3600 * 1000;
static const int registrationsPerHour = 20;
// A reader pages through the web site by hand; a program that fetches it
// faster than this is served again once the minute is over.
static const long long minuteMs = 60 * 1000;
static const int publicPagesPerMinute = 120;
// Past this many keys, records whose wait has long ended are swept out.
static const size_t sweepThreshold = 100000;
static const int ipv6GroupBytes = 8;

// Milliseconds, not whole seconds: a wait counted in whole seconds could end a
// moment after the failure that began it, when that fell at the end of a second.
static long long steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static long long (*throttleClock)() = steadyMs;

void setThrottleClock(long long (*clockMs)()) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    throttleClock = clockMs != nullptr ? clockMs : steadyMs;
}

// Reads an IPv4 or IPv6 address into 16 bytes (IPv4 as IPv4-mapped); false for anything else.
static bool parseAddress(const std::string& text, unsigned char bytes[16]) {
    in_addr v4;
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        std::copy(mapped, mapped + 12, bytes);
        std::copy(reinterpret_cast<unsigned char*>(&v4), reinterpret_cast<unsigned char*>(&v4) + 4,
                  bytes + 12);
        return true;
    }
    return inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

static bool isMappedIpv4(const unsigned char bytes[16]) {
    for (int i = 0; i < 10; ++i) {
        if (bytes[i] != 0) return false;
    }
    return bytes[10] == 0xff && bytes[11] == 0xff;
}

std::string addressGroup(const std::string& address) {
    unsigned char bytes[16];
    if (!parseAddress(address, bytes)) return address;
    char text[INET6_ADDRSTRLEN];
    if (isMappedIpv4(bytes)) {
        inet_ntop(AF_INET, bytes + 12, text, sizeof text);
        return text;
    }
    std::fill(bytes + ipv6GroupBytes, bytes + 16, 0);
    inet_ntop(AF_INET6, bytes, text, sizeof text);
    return std::string(text) + "/64";
}

bool cidrContains(const std::string& cidr, const std::string& address) {
    size_t slash = cidr.find('/');
    unsigned char network[16], candidate[16];
    if (!parseAddress(cidr.substr(0, slash), network) || !parseAddress(address, candidate))
        return false;
    bool v4 = isMappedIpv4(network);
    int bits = v4 ? 32 : 128;
    if (slash != std::string::npos) bits = std::atoi(cidr.c_str() + slash + 1);
    if (v4) bits += 96;
    if (bits < 0 || bits > 128) return false;
    for (int bit = 0; bit < bits; ++bit) {
        int mask = 0x80 >> (bit % 8);
        if ((network[bit / 8] & mask) != (candidate[bit / 8] & mask)) return false;
    }
    return true;
}

static std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(at, end - at);
        size_t first = item.find_first_not_of(' ');
        size_t last = item.find_last_not_of(' ');
        if (first != std::string::npos) items.push_back(item.substr(first, last - first + 1));
        at = end + 1;
    }
    return items;
}

static bool isTrusted(const std::string& address, const std::vector<std::string>& proxies) {
    for (const std::string& cidr : proxies) {
        if (cidrContains(cidr, address)) return true;
    }
    return false;
}

bool cidrListContains(const std::string& cidrs, const std::string& address) {
    return isTrusted(address, splitList(cidrs));
}

std::string forwardedClient(const std::string& peer, const std::string& forwardedFor,
                            const std::string& trusted) {
    std::vector<std::string> proxies = splitList(trusted);
    if (proxies.empty() || !isTrusted(peer, proxies)) return peer;
    std::vector<std::string> hops = splitList(forwardedFor);
    unsigned char bytes[16];
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        // A hop that is no address was written by someone we cannot trust: stop at the proxy.
        if (!parseAddress(*hop, bytes)) return peer;
        if (!isTrusted(*hop, proxies)) return *hop;
    }
    return peer;
}

static bool hasPrefix(const std::string& key, const char* prefix) {
    return key.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

static long long delayAfter(const std::string& key, int failures) {
    int free = hasPrefix(key, "addr:")      ? addressFreeFailures
               : hasPrefix(key, "account:") ? accountFreeFailures
                                            : freeFailures;
    if (failures < free) return 0;
    int doublings = std::min(failures - free, 20);
    return std::min(maxDelayMs, firstDelayMs << doublings);
}

static long long waitFor(const std::string& key, long long now) {
    auto found = failureRecords.find(key);
    if (found == failureRecords.end()) return 0;
    long long until = found->second.lastFailureMs + delayAfter(key, found->second.failures);
    return until > now ? until - now : 0;
}

long long throttleWaitMs(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    return waitFor(key, throttleClock());
}

bool throttleAllows(const std::string& key) {
    return throttleWaitMs(key) == 0;
}

static void sweepEnded(long long now) {
    for (auto it = failureRecords.begin(); it != failureRecords.end();) {
        it = now - it->second.lastFailureMs > maxDelayMs ? failureRecords.erase(it) : ++it;
    }
    for (auto it = registrations.begin(); it != registrations.end();) {
        it = now - it->second.windowStartMs >= hourMs ? registrations.erase(it) : ++it;
    }
    for (auto it = publicPageViews.begin(); it != publicPageViews.end();) {
        it = now - it->second.windowStartMs >= minuteMs ? publicPageViews.erase(it) : ++it;
    }
}

void throttleFailure(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    long long now = throttleClock();
    if (failureRecords.size() > sweepThreshold) sweepEnded(now);
    FailureRecord& record = failureRecords[key];
    // After a long quiet spell the count starts again.
    if (record.failures > 0 && now - record.lastFailureMs > maxDelayMs) record.failures = 0;
    ++record.failures;
    record.lastFailureMs = now;
}

void throttleSuccess(const std::string& key) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    failureRecords.erase(key);
}

// Counts one use of `group`'s allowance of `limit` per window of `windowMs`.
static bool withinAllowance(std::map<std::string, Allowance>& counts, const std::string& group,
                            long long windowMs, int limit) {
    std::lock_guard<std::mutex> lock(throttleMutex);
    long long now = throttleClock();
    if (counts.size() > sweepThreshold) sweepEnded(now);
    Allowance& allowance = counts[group];
    if (now - allowance.windowStartMs >= windowMs) allowance = Allowance{now, 0};
    return ++allowance.used <= limit;
}

bool registrationAllowed(const std::string& group) {
    return withinAllowance(registrations, group, hourMs, registrationsPerHour);
}

bool publicPageAllowed(const std::string& group) {
    return withinAllowance(publicPageViews, group, minuteMs, publicPagesPerMinute);
}

void resetThrottle() {
    std::lock_guard<std::mutex> lock(throttleMutex);
    failureRecords.clear();
    registrations.clear();
    publicPageViews.clear();
}
