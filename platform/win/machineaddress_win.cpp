#include "platform/machineaddress.h"

#include "netbioswalk.h"

QString readMachineAddress()
{
    return QString::fromStdString(readNetbiosAddress(&Netbios));
}
