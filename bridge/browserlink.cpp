#include "bridge/browserlink.h"

#include "platform/childprocess.h"

#include <QDebug>
#include <QDesktopServices>

bool isBrowserAddress(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

bool openInBrowser(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    if (!isBrowserAddress(url)) {
        qDebug() << "refused to open" << text;
        return false;
    }
    // The desktop's opener becomes the user's browser when none runs yet, so it must not take the client's descriptors
    // with it; the client starts it itself where it can.
    if (!openWithDesktopOpener(url))
        QDesktopServices::openUrl(url);
    return true;
}
