// Login throttling: too many failed password checks for one name, one account
// or one address within a minute shut that key out until the minute is over.
#pragma once

#include <string>

// False while `key` ("name:...", "user:...", "addr:...") is shut out.
bool throttleAllows(const std::string& key);
void throttleFailure(const std::string& key);
void throttleSuccess(const std::string& key);
// Forgets every count (tests start from a clean slate).
void resetThrottle();
