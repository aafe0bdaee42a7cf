#include "api/serviceenvelope.h"

QJsonObject serviceData(const QJsonDocument &reply)
{
    return reply.object().value(QLatin1String("data")).toObject();
}
