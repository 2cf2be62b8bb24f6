// The machine's hardware-address list, sent with the login request.
#include "online/mac_address.h"

#include "platform/system.h"
#include "protocol/encodings.h"

std::string macAddressList;

void buildMacAddressList() {
    macAddressList = formatMacAddressList(platformHardwareAddresses());
}
