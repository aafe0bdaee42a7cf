#include "quietchannel.h"

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler g_next = nullptr;

void dropChannelPropertyWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("has no notify signal and is not constant")))
        return;
    g_next(type, context, message);
}

} // namespace

void quietenChannelWarnings()
{
    if (!g_next)
        g_next = qInstallMessageHandler(dropChannelPropertyWarnings);
}
