// What /proc says of a process, which its own command name partly decides: the stat line and the executable link.

#include "platform/linux/procfs.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    char state = '?';
    pid_t parent = 0;
    if (parseProcessStat(text, state, parent) && text.lastIndexOf(')') < 0)
        std::abort();
    const QString image = imageNameFromExeLink(QString::fromLocal8Bit(text));
    if (image.contains(QLatin1Char('/')))
        std::abort();
    return 0;
}
