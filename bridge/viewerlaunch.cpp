#include "bridge/viewerlaunch.h"

#include <QStringList>

namespace {
const QString kViewerCommand = QStringLiteral("./nuvaview/nuvaview.exe ");
} // namespace

void startViewer(IsolatedProcess &process, const QString &param)
{
    QStringList words = QProcess::splitCommand(kViewerCommand + param);
    const QString program = words.takeFirst();
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, words, QIODevice::ReadWrite);
    // Until its exec is done the child is still a copy of the client, invisible to a kill by the viewer's image name:
    // a disconnect in those few milliseconds would leave the viewer running. A viewer that cannot start fails at once.
    process.waitForStarted(5000);
}
