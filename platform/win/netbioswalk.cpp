#include "netbioswalk.h"

#include "platform/hardwareaddress.h"

#include <cstring>

namespace {

// The status query fills an ADAPTER_STATUS followed by the adapter's name table.
struct AdapterStatusArea
{
    ADAPTER_STATUS status;
    NAME_BUFFER names[30];
};

} // namespace

std::string readNetbiosAddress(const NetbiosFunction &netbios)
{
    // Cleared first, and a failed enumeration counts as no adapters: what a failed call leaves in the list is not
    // defined.
    LANA_ENUM lanas = {};
    NCB enumeration = {};
    enumeration.ncb_command = NCBENUM;
    enumeration.ncb_buffer = reinterpret_cast<PUCHAR>(&lanas);
    enumeration.ncb_length = sizeof lanas;
    if (netbios(&enumeration) != NRC_GOODRET)
        return std::string();

    AdapterStatusArea area;
    NCB adapter;
    for (int i = 0; i < lanas.length; ++i) {
        std::memset(&adapter, 0, sizeof adapter);
        adapter.ncb_lana_num = lanas.lana[i];
        adapter.ncb_command = NCBRESET;
        if (netbios(&adapter) != NRC_GOODRET)
            continue;

        adapter.ncb_lana_num = lanas.lana[i];
        adapter.ncb_command = NCBASTAT;
        std::strncpy(reinterpret_cast<char *>(adapter.ncb_callname), "*", NCBNAMSZ);
        std::memset(&area, 0, sizeof area);
        adapter.ncb_buffer = reinterpret_cast<PUCHAR>(&area);
        adapter.ncb_length = sizeof area;
        if (netbios(&adapter) == NRC_GOODRET)
            return formatHardwareAddress(area.status.adapter_address);
    }
    return std::string();
}
