// Seeds of ranked levels, issued by the server to the logged-in account
// (seeds.php, request kind 11). The game asks after login and whenever its
// stock runs low, with never more than one request on its way, and hands the
// next seed to each ranked level at its start (the play loop's issuedSeed
// hook). The stock belongs to the account it was issued to: another login
// empties it. A refused or malformed reply is logged and changes nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

extern std::string seedsReply;          // reply buffer of seeds.php
extern std::deque<uint32_t> seedStock;  // issued seeds not yet handed to a level, oldest first
extern bool seedsPending;               // a seeds request is on its way
extern bool seedsHeldBack;              // one was not sent while an older replay waited

// At or below this many seeds in stock, more are asked for.
constexpr size_t seedStockLow = 1;

// "seeds.php?sessionhash=..&userid=..&passwordHash=..".
std::string seedsRequestText();
// Queues seeds.php unless one is on its way, the game is offline, no one is
// logged in, or a replay of the account still waits to be uploaded.
void requestSeeds();
// After an answer to a result sent from the unsent results: the seeds held
// back while a replay under an older one waited are asked for once it has gone.
void requestHeldBackSeeds();
// After a successful login: keeps the stock only for the same account and tops it up.
void restockSeedsAfterLogin();
// The next issued seed for a ranked level; false when none is at hand.
bool takeSeed(uint32_t& seed);
// The seeds of a "success" reply; false when the reply is a refusal or malformed.
bool parseSeedsReply(const std::string& reply, std::vector<uint32_t>& seeds);
// Kind 11.
void handleSeedsReply(int32_t result);
