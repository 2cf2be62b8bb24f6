// Throttling of password guesses and registrations. Clients are told apart by
// their address group: an IPv4 address, or the /64 prefix of an IPv6 address
// (one household or phone gets a whole /64). Wrong passwords slow the pair of
// name and address group exponentially, so an attacker is slowed while the
// owner, from another address, logs in as ever; many wrong passwords from one
// group slow that group for every name. Counts live in each process.
#pragma once

#include <string>

// "203.0.113.9" for IPv4 (also when written IPv4-mapped), "2001:db8:1:2::/64"
// for IPv6; the text as it is when it is no address.
std::string addressGroup(const std::string& address);

// True when "ADDRESS/BITS" (or a bare address) covers `address`.
bool cidrContains(const std::string& cidr, const std::string& address);
// True when one of `cidrs` (comma-separated) covers `address`.
bool cidrListContains(const std::string& cidrs, const std::string& address);
// The client as a trusted proxy reports it: when `peer` is in one of `trusted`
// (comma-separated CIDRs), the rightmost X-Forwarded-For entry that is not a
// trusted proxy itself; otherwise `peer`.
std::string forwardedClient(const std::string& peer, const std::string& forwardedFor,
                            const std::string& trusted);

// False while `key` must wait after its failures; then no password is checked.
bool throttleAllows(const std::string& key);
void throttleFailure(const std::string& key);
void throttleSuccess(const std::string& key);
// Milliseconds `key` must still wait (0 when it may try now).
long long throttleWaitMs(const std::string& key);

// Counts one registration from `group`; false once the group has used its
// allowance for the current hour.
bool registrationAllowed(const std::string& group);
// Counts one request for a public web page or replay from `group`; false once
// the group has used its allowance for the current minute.
bool publicPageAllowed(const std::string& group);

// Forgets every count (tests start from a clean slate).
void resetThrottle();
// The clock the waits are measured by, in milliseconds; nullptr restores the
// steady clock (tests set the time themselves).
void setThrottleClock(long long (*clockMs)());
