#pragma once

#include "childprocess.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <optional>

class QPoint;

// A user's home of its own for client processes: HOME, the XDG cache and data folders, and TMPDIR (where the
// single-instance socket lives) all lie inside one temporary folder. Clients started in it neither meet a client the
// developer is running nor touch the developer's browser profile.
class ClientHome
{
public:
    ClientHome();

    QString path() const { return m_dir.path(); }
    QString cacheHome() const { return m_dir.filePath(QStringLiteral("xdg-cache")); }
    QString dataHome() const { return m_dir.filePath(QStringLiteral("xdg-data")); }
    QString tempFolder() const { return m_dir.filePath(QStringLiteral("tmp")); }
    // Where the browser's default profile keeps cookies and the rest for the client.
    QString profileFolder() const { return dataHome() + QStringLiteral("/nuvagame/QtWebEngine/Default"); }
    // The file of the local server that a running client listens on.
    QString instanceSocket() const;

    // The test's own environment with the folders above, and core X input events, so that synthetic clicks are heard.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
};

// The client built for tests (it looks for the service on the test address), started in a home of its own.
class ClientProcess : public ChildProcess
{
public:
    explicit ClientProcess(const ClientHome &home);

    // Starts the client from workingDirectory with these arguments and waits until it runs.
    bool start(const QString &workingDirectory, const QStringList &arguments = QStringList());
    // Waits (bounded) for it to end by itself and tells whether it ended normally with exit code 0.
    bool endsWithZero(int timeoutMs = 30000);
    // Asks its window to close the way a window manager's close button does, again and again until the client has
    // ended (a request that reaches it while it settles a freshly mapped window can go unseen, as under a real window
    // manager), and tells whether it ended normally with exit code 0.
    bool closeWindow(uint32_t window);
    // Clicks the left button at a point of its window (in the server's pixels) until the client has ended, and tells
    // whether it ended normally with exit code 0.
    bool clickUntilEnded(uint32_t window, const QPoint &at);
    // Its window, once mapped (waits at most timeoutMs); none when it did not come.
    std::optional<uint32_t> mappedWindow(int timeoutMs = 90000);
    // Everything it has written to its standard error so far.
    QByteArray log();

    QProcessEnvironment environment;
    // A copy under another name stands for another program that hosts the browser engine.
    QString program = QStringLiteral(NUVA_CLIENT_PATH);

private:
    QByteArray m_log;
};
