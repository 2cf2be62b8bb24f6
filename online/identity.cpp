#include "online/identity.h"

#include "base/player_settings.h"
#include "game/server_link.h"
#include "protocol/encodings.h"

std::string userId;
std::string playHash;

std::string accountFieldsOf(const std::string& session) {
    return "&sessionhash=" + session + "&userid=" + userId + "&passwordHash=" + md5Hex(loginPassword);
}

std::string accountFields() {
    return accountFieldsOf(serverLink.sessionhash);
}
