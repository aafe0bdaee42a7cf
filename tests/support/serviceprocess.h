#pragma once

#include "childprocess.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The built stand-in service as a child process, stopped by its PID when the object goes.
class ServiceProcess : public ChildProcess
{
public:
    // Starts it on a free port of 127.0.0.1 with extra options and reads the port it chose from its first line.
    bool start(const QStringList &options = {});
    // Starts it where the client built for tests looks for the service: port 8081 of the test address.
    bool startForTestClient(const QStringList &options = {});
    // Like startForTestClient, but "/" serves a page of the test's own: it connects to the client's published object
    // and runs script with it as `bridge`. The script reports through requests under /page/, which the service logs.
    bool startForTestClientWithPage(const QByteArray &script, const QStringList &options = {});
    int port() const { return m_port; }
    // Everything it has logged so far, one line per request.
    QByteArray log();
    // Sends a request of its own and waits (bounded) for its line. The service logs a request once its answer has
    // gone, so by then every request answered before this call has its line in log().
    bool logCaughtUp();

private:
    bool startWith(const QStringList &arguments);

    QString m_host;
    int m_port = 0;
    QByteArray m_log;
    QTemporaryDir m_pageFolder;
};
