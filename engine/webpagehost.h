#pragma once

#include "window/pagehost.h"

#include <QPointer>

class PageRecovery;
class QWebEngineView;

// The service's page in the browser engine: a view without context menu on the front end's page (which decides its
// certificates), a web channel for what the window publishes, and the page's recovery after its renderer dies or
// hangs.
class WebPageHost : public PageHost
{
public:
    WebPageHost();
    ~WebPageHost() override;

    QWidget *view() override;
    void load(const QUrl &url) override;
    void reload() override;
    QUrl shownUrl() const override;
    void publish(const QString &name, QObject *object) override;

private:
    QPointer<QWebEngineView> m_view;
    PageRecovery *m_recovery;
};
