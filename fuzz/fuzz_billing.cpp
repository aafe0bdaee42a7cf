// The billing status the page hands over, as JSON: any object the page may send.

#include "bridge/sessionrules.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument status
        = QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    const BillingTexts texts = billingTexts(status.object());
    (void)texts;
    return 0;
}
