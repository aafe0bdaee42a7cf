#include "bridge/pagebridge.h"

#include "api/serviceaddress.h"
#include "bridge/frontendorigin.h"
#include "window/vuedialog.h"

#include <QDebug>
#include <QEvent>

PageBridge::PageBridge(VueDialog *window, PageHost *page)
    : m_window(window)
    , m_page(page)
{
    connect(window, &VueDialog::sendOrderShow, this, &PageBridge::sendOrderShow);
    connect(window, &VueDialog::closeOrder, this, &PageBridge::closeOrder);
    connect(window, &VueDialog::fpsChanged, this, &PageBridge::fpsChanged);
}

bool PageBridge::isCalledByFrontEnd(const char *slot) const
{
    const QUrl shown = m_page->shownUrl();
    if (isSameOrigin(shown, frontEndUrl()))
        return true;
    qDebug() << "refused" << slot << "for" << shown.toString();
    return false;
}

void PageBridge::disconnectNode()
{
    if (isCalledByFrontEnd("disconnectNode"))
        m_window->disconnectNode();
}

QString PageBridge::startGame(QString param)
{
    if (!isCalledByFrontEnd("startGame"))
        return QString();
    return m_window->startGame(param);
}

void PageBridge::nuvabRegister(QString url)
{
    if (isCalledByFrontEnd("nuvabRegister"))
        m_window->nuvabRegister(url);
}

void PageBridge::orderStatus(QJsonObject orderStatusString)
{
    if (isCalledByFrontEnd("orderStatus"))
        m_window->orderStatus(orderStatusString);
}

QString PageBridge::getClientVersion()
{
    return m_window->getClientVersion();
}

QString PageBridge::getOsVersion()
{
    return m_window->getOsVersion();
}

QString PageBridge::getComputerAddress()
{
    return m_window->getComputerAddress();
}

void PageBridge::downloadClientVersion(QString downloadUrl)
{
    if (isCalledByFrontEnd("downloadClientVersion"))
        m_window->downloadClientVersion(downloadUrl);
}

bool PageBridge::event(QEvent *event)
{
    if (event->type() == QEvent::DeferredDelete)
        return true;
    return QObject::event(event);
}
