// The machine's hardware-address list, sent with the login request.
#include "online/mac_address.h"

#include "online/encodings.h"
#include "platform/system.h"

std::string macAddressList;

void buildMacAddressList() {
    macAddressList = formatMacAddressList(platformHardwareAddresses());
}
