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
    // On Linux the desktop starts xdg-open, which becomes the user's browser when none runs yet.
    keepDescriptorsFromLaterPrograms();
    QDesktopServices::openUrl(url);
    return true;
}
