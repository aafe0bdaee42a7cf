// Addresses from the page: which may be handed to the system browser, and whether the page is the front end's.

#include "bridge/browserlink.h"
#include "bridge/frontendorigin.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QUrl url(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)), QUrl::TolerantMode);
    if (isBrowserAddress(url) && url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        std::abort();
    const QUrl frontEnd(QStringLiteral("http://127.0.0.1:8081/"));
    if (isSameOrigin(url, frontEnd) && (url.host() != QLatin1String("127.0.0.1") || url.port(80) != 8081))
        std::abort();
    return 0;
}
