// Who the player is to the server: the account and session of the last
// login, and the fields that name them at the end of every account request.
// The login writes them; the score, replay and seed requests only read them.
#pragma once

#include <string>

extern std::string userId;    // account id from the login reply
extern std::string playHash;  // session token from the login reply

// "&sessionhash=...&userid=...&passwordHash=...": the account fields score.php
// ends with, for a session (the current one when none is named).
std::string accountFieldsOf(const std::string& session);
std::string accountFields();
