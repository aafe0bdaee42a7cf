// The simple half of what the page can call: the client's facts and the links it opens in the system browser.

#include "api/clientversion.h"
#include "api/serviceaddress.h"
#include "bridge/browserlink.h"
#include "bridge/frontendorigin.h"
#include "window/vuedialog.h"

#include <QDebug>
#include <QNetworkReply>
#include <QWebEnginePage>
#include <QWebEngineView>

bool VueDialog::isCalledByFrontEnd(const char *slot) const
{
    const QUrl page = m_webView->page()->url();
    if (isSameOrigin(page, frontEndUrl()))
        return true;
    qDebug() << "refused" << slot << "for" << page.toString();
    return false;
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
    if (!isCalledByFrontEnd("downloadClientVersion"))
        return;
    openInBrowser(downloadUrl);
}

void VueDialog::nuvabRegister(QString url)
{
    if (!isCalledByFrontEnd("nuvabRegister"))
        return;
    qDebug() << "url=" << url;
    openInBrowser(url);
}

void VueDialog::replyFinished(QNetworkReply *reply)
{
    if (reply)
        qDebug().noquote() << QString::fromUtf8(reply->readAll());
}
