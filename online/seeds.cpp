#include "online/seeds.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>

#include "base/console_log.h"
#include "game/server_link.h"
#include "online/identity.h"
#include "online/requests.h"
#include "online/unsent_results.h"
#include "protocol/replay.h"

std::string seedsReply;
std::deque<uint32_t> seedStock;
bool seedsPending = false;
bool seedsHeldBack = false;

static std::string stockOwner;    // user id the stock was issued to
static std::string requestedFor;  // user id of the request on its way

// A seed is a 32-bit number in decimal.
static const size_t seedDigitsLimit = 10;
static const unsigned long long seedLargest = 0xFFFFFFFFull;
// The part of a bad reply that goes into the log.
static const size_t loggedReplyLimit = 80;

std::string seedsRequestText() {
    // The account fields begin with their own "&".
    return "seeds.php?" + accountFields().substr(1);
}

void requestSeeds() {
    if (seedsPending || serverLink.connectionMode != ConnectionOnline || userId.empty()) return;
    // New seeds could push out the older one a waiting replay was played under.
    seedsHeldBack = unsentReplaysWaiting(userId);
    if (seedsHeldBack) return;
    seedsReply.clear();
    requestedFor = userId;
    seedsPending = true;
    queueRequest(seedsRequestText(), &seedsReply, SeedsRequest, shortRequestSeconds);
}

// Seeds issued to an account that is no longer logged in are no use.
static void dropStockOfOthers() {
    if (stockOwner == userId) return;
    seedStock.clear();
    stockOwner = userId;
}

void requestHeldBackSeeds() {
    if (seedsHeldBack && !unsentReplaysWaiting(userId)) requestSeeds();
}

void restockSeedsAfterLogin() {
    dropStockOfOthers();
    if (seedStock.size() <= seedStockLow) requestSeeds();
}

bool takeSeed(uint32_t& seed) {
    dropStockOfOthers();
    bool taken = !seedStock.empty();
    if (taken) {
        seed = seedStock.front();
        seedStock.pop_front();
    } else {
        logConsole("No issued seed at hand: this level plays a local seed and stays unverified");
    }
    if (seedStock.size() <= seedStockLow) requestSeeds();
    return taken;
}

static bool readSeed(const std::string& token, uint32_t& seed) {
    if (token.empty() || token.size() > seedDigitsLimit) return false;
    if (token.find_first_not_of("0123456789") != std::string::npos) return false;
    unsigned long long value = std::strtoull(token.c_str(), nullptr, 10);
    if (value > seedLargest) return false;
    seed = static_cast<uint32_t>(value);
    return true;
}

bool parseSeedsReply(const std::string& reply, std::vector<uint32_t>& seeds) {
    seeds.clear();
    std::vector<std::string> tokens = splitTokens(reply, ' ');
    if (tokens.empty() || tokens[0] != "success" || tokens.size() > issuedSeedsPerReply + 1)
        return false;
    for (size_t i = 1; i < tokens.size(); i++) {
        uint32_t seed = 0;
        if (!readSeed(tokens[i], seed)) return false;
        seeds.push_back(seed);
    }
    return true;
}

static void logBadReply(const std::string& reply) {
    std::string shown = reply.substr(0, loggedReplyLimit);
    if (reply.size() > loggedReplyLimit) shown += "...";
    logConsole(std::string("Seeds reply (kind 11) ") + (reply == "fail" ? "refused" : "malformed") +
               ": \"" + shown + "\"");
}

static void addToStock(const std::vector<uint32_t>& seeds) {
    dropStockOfOthers();
    for (uint32_t seed : seeds) {
        if (std::find(seedStock.begin(), seedStock.end(), seed) == seedStock.end())
            seedStock.push_back(seed);
    }
}

void handleSeedsReply(int32_t result) {
    seedsPending = false;
    if (result != 0) {
        logConsole(std::string("Seeds request (kind 11) failed: ") +
                   curl_easy_strerror(static_cast<CURLcode>(result)));
        return;
    }
    // Asked for an account that has logged out since: ask again for this one.
    if (requestedFor != userId) {
        requestSeeds();
        return;
    }
    std::vector<uint32_t> seeds;
    if (!parseSeedsReply(seedsReply, seeds)) {
        logBadReply(seedsReply);
        return;
    }
    addToStock(seeds);
}
