#include "api/serviceaddress.h"

QUrl frontEndUrl()
{
    return QUrl(QStringLiteral("http://%1:%2/").arg(ServiceAddress::host()).arg(ServiceAddress::frontEndPort()));
}

QString apiBaseUrl()
{
    return QStringLiteral("http://%1:%2/gpfe/api/").arg(ServiceAddress::host()).arg(ServiceAddress::apiPort());
}
