#include "api/serviceaddress.h"

// The authority's PEM text, embedded from the file the build names (empty without one).
extern const char kServiceAuthority[];

namespace ServiceAddress {

QString scheme()
{
    return QStringLiteral(NUVA_SERVICE_SCHEME);
}

QString host()
{
    return QStringLiteral(NUVA_SERVICE_HOST);
}

int frontEndPort()
{
    return NUVA_FRONTEND_PORT;
}

// The API always answers on 8081, whichever port the front end is served on.
int apiPort()
{
    return 8081;
}

QByteArray authority()
{
    return QByteArray(kServiceAuthority);
}

} // namespace ServiceAddress
