// The machine's hardware-address list, sent with the login request.
#pragma once

#include <string>

extern std::string macAddressList;  // "AA-BB-CC-DD-EE-FF ..." built once at start; "" when none

// Reads the network interfaces' addresses into macAddressList.
void buildMacAddressList();
