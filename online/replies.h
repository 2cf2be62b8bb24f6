// The online client's frame: finished transfers handed to the handlers of
// their kinds, then the requests that wait for their time (news retried,
// results kept while offline sent again).
#pragma once

#include <cstdint>
#include <string>

#include "online/requests.h"

// Advances every background transfer; replies are handled in this frame.
void curlprocess();
// Hands a finished transfer's reply to the handler of its kind.
void dispatchReply(int32_t kind, int32_t result, std::string* reply);
