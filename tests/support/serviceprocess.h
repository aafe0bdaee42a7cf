#pragma once

#include <QProcess>
#include <QStringList>

// The built stand-in service as a child process on a free port of 127.0.0.1, stopped by its PID when the object goes.
class ServiceProcess
{
public:
    ~ServiceProcess();

    // Starts it with extra options and reads the port it chose from its first line.
    bool start(const QStringList &options = {});
    int port() const { return m_port; }
    // Everything it has logged so far, one line per request.
    QByteArray log();

    QProcess process;

private:
    int m_port = 0;
    QByteArray m_log;
};
