// What the page reaches and the simple half of what it can call: the client's facts and the links it opens in the
// system browser.

#include "api/clientversion.h"
#include "bridge/browserlink.h"
#include "bridge/pagebridge.h"
#include "window/vuedialog.h"

#include <QDebug>
#include <QNetworkReply>

// The page gets the bridge, never the window: the window's own slots and properties would let any script on the
// plain-http page close, hide, restyle, freeze or delete it.
void VueDialog::publishToPage()
{
    m_pageHost->publish(QStringLiteral("VueDialog"), new PageBridge(this, m_pageHost));
}

QString VueDialog::getClientVersion()
{
    return QString::fromLatin1(kClientVersion);
}

QString VueDialog::getOsVersion()
{
    return QStringLiteral("PC_OS_WINDOWS");
}

QString VueDialog::getComputerAddress()
{
    return m_computerAddress;
}

void VueDialog::downloadClientVersion(QString downloadUrl)
{
    openInBrowser(downloadUrl);
}

void VueDialog::nuvabRegister(QString url)
{
    qDebug() << "url=" << url;
    openInBrowser(url);
}

void VueDialog::replyFinished(QNetworkReply *reply)
{
    if (reply)
        qDebug().noquote() << QString::fromUtf8(reply->readAll());
}
