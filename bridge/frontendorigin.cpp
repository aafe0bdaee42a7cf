#include "bridge/frontendorigin.h"

namespace {

int portOf(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
}

} // namespace

bool isSameOrigin(const QUrl &address, const QUrl &origin)
{
    if (!address.isValid() || !origin.isValid() || address.host().isEmpty())
        return false;
    return address.scheme() == origin.scheme() && address.host() == origin.host() && portOf(address) == portOf(origin);
}
