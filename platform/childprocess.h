#pragma once

#include <QProcess>

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
 * Keeps every descriptor the client holds now, but the standard three, from the programs it starts later: for a
 * program started by code that takes no IsolatedProcess, such as QDesktopServices::openUrl, which runs xdg-open on
 * Linux. Nothing on Windows, where the shell opens addresses and the client's handles are not inheritable.
 */
void keepDescriptorsFromLaterPrograms();
