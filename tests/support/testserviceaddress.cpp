#include "testserviceaddress.h"

#include "api/serviceaddress.h"

namespace {
// Port 9 (discard) on loopback refuses connections: a test that sets nothing reaches no service.
QString g_host = QStringLiteral("127.0.0.1");
int g_frontEndPort = 9;
int g_apiPort = 9;
QString g_scheme = QStringLiteral("http");
QByteArray g_authority;
} // namespace

void setTestServiceAddress(const QString &host, int frontEndPort, int apiPort)
{
    g_host = host;
    g_frontEndPort = frontEndPort;
    g_apiPort = apiPort;
}

void setTestServiceTrust(const QString &scheme, const QByteArray &authority)
{
    g_scheme = scheme;
    g_authority = authority;
}

namespace ServiceAddress {
QString scheme()
{
    return g_scheme;
}
QString host()
{
    return g_host;
}
int frontEndPort()
{
    return g_frontEndPort;
}
int apiPort()
{
    return g_apiPort;
}
QByteArray authority()
{
    return g_authority;
}
} // namespace ServiceAddress
