#include "api/serviceaddress.h"

namespace ServiceAddress {

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

} // namespace ServiceAddress
