#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <thread>

// A real HTTP server on 127.0.0.1 and an ephemeral port, serving from its own thread. Tests install handlers and
// read back what the client sent.
class LocalHttpServer
{
public:
    struct Request
    {
        QString method;
        QString target;
        std::multimap<std::string, std::string> headers;
        QString header(const char *name) const;
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    // Handlers must be installed before start().
    httplib::Server &server() { return m_server; }
    void serveHtml(const std::string &path, const std::string &html);
    // Starts on an ephemeral port of host, a loopback address.
    bool start(const std::string &host = "127.0.0.1");
    // Starts on a given loopback address and port instead, such as where the client built for tests looks.
    bool startOn(const std::string &host, int port);
    void stop();

    int port() const { return m_port; }
    QString url(const QString &path = QStringLiteral("/")) const;

    QList<Request> requests() const;
    int count(const QString &target) const;

private:
    bool listenAfterBind();

    httplib::Server m_server;
    std::string m_host = "127.0.0.1";
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    QList<Request> m_requests;
};

// A port of 127.0.0.1 that was just in use and is now closed: connections to it are refused.
int closedLoopbackPort();
