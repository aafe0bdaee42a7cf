#pragma once

#include <QProcess>
#include <QUrl>

/**
 * A QProcess whose program receives its standard input, output and error, as its channels say, and nothing else of
 * the client.
 *
 * On Linux a program receives every descriptor of its parent that is not marked close-on-exec, and the browser
 * engine marks few: its sockets, shared memory and the profile's open files would keep the engine's processes alive
 * and the profile in use for as long as the program runs, which for the viewer is past the client's end. On Windows
 * a program receives the handles marked inheritable; this one receives only those of its standard streams.
 */
class IsolatedProcess : public QProcess
{
public:
    explicit IsolatedProcess(QObject *parent = nullptr);

protected:
    void setupChildProcess() override;
};

/**
 * Hands url to the desktop's own opener, xdg-open, started by the client itself in a program of its own that
 * receives the client's standard input, output and error and nothing else, and that the client neither waits for nor
 * reaps: whatever browser it becomes outlives the client. Its descriptors are closed after the fork, in the child, so
 * that none opened meanwhile by another thread of the client passes, and none of the client's own changes.
 *
 * False where the address is left to Qt's desktop services: on Windows, whose shell opens it and passes nothing of
 * the client on; in a Flatpak or Snap sandbox, where Qt asks the desktop's portal and starts nothing; where no
 * xdg-open is installed; and where the system cannot start a process.
 */
bool openWithDesktopOpener(const QUrl &url);
