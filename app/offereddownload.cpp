#include "app/offereddownload.h"

#include <QJsonObject>

std::optional<QString> offeredDownload(const QJsonDocument &reply)
{
    if (reply.isNull())
        return std::nullopt;
    // No version numbers are compared: any non-empty "data" object is an offer.
    const QJsonObject data = reply.object().value(QLatin1String("data")).toObject();
    if (data.isEmpty())
        return std::nullopt;
    return data.value(QLatin1String("downloadUrl")).toString();
}
