// The service's JSON answers: the order confirmation's node identifier and the version reply's offer.

#include "app/offereddownload.h"
#include "bridge/sessionrules.h"

#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument reply
        = QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    (void)nodeIdentifier(reply);
    const std::optional<QString> offer = offeredDownload(reply);
    // An offer needs a non-empty "data" object at the top.
    if (offer && reply.object().value(QLatin1String("data")).toObject().isEmpty())
        std::abort();
    return 0;
}
