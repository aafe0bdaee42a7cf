#include "localhttpserver.h"

#include <QTcpServer>

#include <sys/socket.h>

#include <chrono>

QString LocalHttpServer::Request::header(const char *name) const
{
    const auto it = headers.find(name);
    return it == headers.end() ? QString() : QString::fromStdString(it->second);
}

LocalHttpServer::LocalHttpServer()
{
    // The library's default adds SO_REUSEPORT; a test server must never share its port.
    m_server.set_socket_options([](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // One request per connection: a client that keeps its connection open would otherwise hold stop() until the
    // keep-alive timeout.
    m_server.set_keep_alive_max_count(1);
    // Recorded before the request is handled, so that a test sees it as soon as the answer has reached the client.
    m_server.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &) {
        Request seen{QString::fromStdString(request.method), QString::fromStdString(request.target), {}};
        for (const auto &[name, value] : request.headers)
            seen.headers.emplace(name, value);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.append(seen);
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

LocalHttpServer::~LocalHttpServer()
{
    stop();
}

void LocalHttpServer::serveHtml(const std::string &path, const std::string &html)
{
    m_server.Get(path, [html](const httplib::Request &, httplib::Response &response) {
        response.set_content(html, "text/html; charset=utf-8");
    });
}

bool LocalHttpServer::start(const std::string &host)
{
    m_host = host;
    m_port = m_server.bind_to_any_port(m_host);
    return listenAfterBind();
}

bool LocalHttpServer::startOn(const std::string &host, int port)
{
    m_host = host;
    m_port = m_server.bind_to_port(host, port) ? port : 0;
    return listenAfterBind();
}

bool LocalHttpServer::listenAfterBind()
{
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() does nothing to a server that is not running yet, and the thread would then listen for ever.
    for (int i = 0; i < 500 && !m_server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return m_server.is_running();
}

void LocalHttpServer::stop()
{
    if (!m_thread.joinable())
        return;
    m_server.stop();
    m_thread.join();
}

QString LocalHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://%1:%2%3").arg(QString::fromStdString(m_host)).arg(m_port).arg(path);
}

QList<LocalHttpServer::Request> LocalHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int LocalHttpServer::count(const QString &target) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const Request &request : m_requests)
        n += request.target == target;
    return n;
}

int closedLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}
