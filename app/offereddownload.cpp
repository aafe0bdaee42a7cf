#include "app/offereddownload.h"

#include "api/serviceenvelope.h"

std::optional<QString> offeredDownload(const QJsonDocument &reply)
{
    // No version numbers are compared: any non-empty "data" object is an offer.
    const QJsonObject data = serviceData(reply);
    if (data.isEmpty())
        return std::nullopt;
    return data.value(QLatin1String("downloadUrl")).toString();
}
