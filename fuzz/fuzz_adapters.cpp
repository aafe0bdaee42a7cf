// The network adapters as /sys/class/net describes them, any number in any state, and the address formatting.

#include "platform/hardwareaddress.h"
#include "platform/linux/networkadapters.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Each adapter takes a flags byte, an index byte, an address length byte and that many address bytes.
    QList<NetworkAdapter> adapters;
    size_t at = 0;
    while (at + 3 <= size) {
        NetworkAdapter adapter;
        adapter.loopback = data[at] & 1;
        adapter.hasDevice = data[at] & 2;
        adapter.index = data[at + 1];
        const size_t length = std::min<size_t>(data[at + 2] % 12, size - at - 3);
        adapter.hardwareAddress = QByteArray(reinterpret_cast<const char *>(data + at + 3), int(length));
        adapter.name = QStringLiteral("eth%1").arg(adapters.size());
        adapters << adapter;
        at += 3 + length;
    }
    const std::optional<NetworkAdapter> chosen = chooseMachineAdapter(adapters);
    if (chosen) {
        if (chosen->loopback || chosen->hardwareAddress.size() != 6)
            std::abort();
        const std::string text
            = formatHardwareAddress(reinterpret_cast<const unsigned char *>(chosen->hardwareAddress.constData()));
        if (text.size() != 17)
            std::abort();
    }
    return 0;
}
