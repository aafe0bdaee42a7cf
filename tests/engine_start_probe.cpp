// Stands in for the browser engine's helper program (QTWEBENGINEPROCESS_PATH) to see what the user sees when the
// engine starts its first process. The first time it runs it writes to the file named by NUVA_PROBE_RECORD whether the
// client's window was on screen then, with the colours it showed in the title bar (100, 15) and in the content area
// (100, 130); then it becomes the real helper, with the same arguments.

#include "xwindows.h"

#include <QLibraryInfo>

#include <fcntl.h>
#include <unistd.h>

int main(int, char *argv[])
{
    const int record = ::open(qgetenv("NUVA_PROBE_RECORD").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (record >= 0) {
        QByteArray seen = "unmapped";
        if (const std::optional<uint32_t> window = XWindows::findMapped(QStringLiteral("nuvagame"))) {
            seen = "mapped";
            for (const QPoint &at : {QPoint(100, 15), QPoint(100, 130)})
                seen += ' ' + XWindows::pixel(*window, at).value_or(QColor()).name().toLatin1();
        }
        (void)!::write(record, seen.constData(), size_t(seen.size()));
        ::close(record);
    }
    const QByteArray helper
        = QLibraryInfo::location(QLibraryInfo::LibraryExecutablesPath).toLocal8Bit() + "/QtWebEngineProcess";
    ::execv(helper.constData(), argv);
    return 127;
}
