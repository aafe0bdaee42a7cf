#include "platform/machineaddress.h"

#include "networkadapters.h"
#include "platform/hardwareaddress.h"

QString readMachineAddress()
{
    const auto adapter = chooseMachineAdapter(readNetworkAdapters(QStringLiteral("/sys/class/net")));
    if (!adapter)
        return QString();
    return QString::fromStdString(
        formatHardwareAddress(reinterpret_cast<const unsigned char *>(adapter->hardwareAddress.constData())));
}
