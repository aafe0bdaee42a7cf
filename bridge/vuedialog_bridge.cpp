// The simple half of what the page can call: the client's facts and the links it opens in the system browser.

#include "api/clientversion.h"
#include "bridge/browserlink.h"
#include "window/vuedialog.h"

#include <QDebug>
#include <QNetworkReply>

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
