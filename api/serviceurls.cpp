#include "api/serviceaddress.h"

QUrl frontEndUrl()
{
    return QUrl(QStringLiteral("%1://%2:%3/")
                    .arg(ServiceAddress::scheme(), ServiceAddress::host())
                    .arg(ServiceAddress::frontEndPort()));
}

QString apiBaseUrl()
{
    return QStringLiteral("%1://%2:%3/gpfe/api/")
        .arg(ServiceAddress::scheme(), ServiceAddress::host())
        .arg(ServiceAddress::apiPort());
}
