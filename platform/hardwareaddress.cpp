#include "platform/hardwareaddress.h"

#include <cstdio>

std::string formatHardwareAddress(const unsigned char address[6])
{
    char text[32] = {};
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", address[0], address[1], address[2], address[3],
        address[4], address[5]);
    return text;
}
