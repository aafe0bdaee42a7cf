#include "api/serviceaddress.h"

namespace {

// Built by parts rather than as text, so that an IPv6 host comes in brackets ("https://[::1]:8081/"), however the build
// wrote it.
QUrl serviceUrl(int port, const QString &path)
{
    QUrl url;
    url.setScheme(ServiceAddress::scheme());
    url.setHost(ServiceAddress::host());
    url.setPort(port);
    url.setPath(path);
    return url;
}

} // namespace

QUrl frontEndUrl()
{
    return serviceUrl(ServiceAddress::frontEndPort(), QStringLiteral("/"));
}

QString apiBaseUrl()
{
    return serviceUrl(ServiceAddress::apiPort(), QStringLiteral("/gpfe/api/")).toString();
}
