#include "placeholderpage.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Long enough for the splash to be seen first.
constexpr int kLoadMs = 500;

class PlaceholderPageHost : public PageHost
{
public:
    PlaceholderPageHost()
        : m_view(new QWidget)
    {
        m_view->setObjectName(QStringLiteral("placeholderPage"));
        m_view->setAutoFillBackground(true);
        m_view->setStyleSheet(QStringLiteral("background-color: rgb(142, 168, 209)"));
    }
    ~PlaceholderPageHost() override { delete m_view; }

    QWidget *view() override { return m_view; }
    void load(const QUrl &url) override
    {
        m_shown = url;
        QTimer::singleShot(kLoadMs, this, [this] { loadFinished(); });
    }
    void reload() override { load(m_shown); }
    QUrl shownUrl() const override { return m_shown; }
    void publish(const QString &, QObject *object) override { object->setParent(this); }

private:
    QPointer<QWidget> m_view;
    QUrl m_shown;
};

} // namespace

PageHost *newPlaceholderPageHost()
{
    return new PlaceholderPageHost;
}
