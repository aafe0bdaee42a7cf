// The page's startGame parameter: the order identifier taken from it, and the viewer's arguments split from it.

#include "bridge/sessionrules.h"

#include <QProcess>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString param = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QString order = orderIdentifier(param);
    // A word, never more: no separator inside, and nothing that is not in the parameter.
    if (order.contains(QLatin1Char(' ')) || !param.contains(order))
        std::abort();
    const QStringList words = QProcess::splitCommand(QStringLiteral("./nuvaview/nuvaview.exe ") + param);
    if (words.isEmpty() || words.first() != QLatin1String("./nuvaview/nuvaview.exe"))
        std::abort();
    return 0;
}
