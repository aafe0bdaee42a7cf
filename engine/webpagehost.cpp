#include "engine/webpagehost.h"

#include "engine/frontendpage.h"
#include "engine/pagerecovery.h"

#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
const QColor kPageBackground(142, 168, 209, 255);
} // namespace

WebPageHost::WebPageHost()
    : m_view(new QWebEngineView)
{
    m_view->setPage(newFrontEndPage(m_view));
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->page()->setBackgroundColor(kPageBackground);
    m_recovery = new PageRecovery(m_view->page());
    connect(m_view->page(), &QWebEnginePage::loadFinished, this, [this] { loadFinished(); });
}

// The view goes with the host: the engine releases its profile only once every page has gone.
WebPageHost::~WebPageHost()
{
    delete m_view;
}

QWidget *WebPageHost::view()
{
    return m_view;
}

void WebPageHost::load(const QUrl &url)
{
    m_view->setUrl(url);
}

void WebPageHost::reload()
{
    m_recovery->reload();
}

QUrl WebPageHost::shownUrl() const
{
    return m_view->page()->url();
}

void WebPageHost::publish(const QString &name, QObject *object)
{
    auto *channel = m_view->page()->webChannel();
    if (!channel) {
        channel = new QWebChannel(m_view->page());
        m_view->page()->setWebChannel(channel);
    }
    object->setParent(channel);
    channel->registerObject(name, object);
}

PageHost *newPageHost()
{
    return new WebPageHost;
}
