#include "engine/pagerecovery.h"

#include "platform/processes.h"

#include <QDebug>
#include <QPointer>
#include <QWebEnginePage>

namespace {
// How long a renderer may take to answer after F5 before it counts as hung.
constexpr int kAnswerTimeoutMs = 2000;
} // namespace

PageRecovery::PageRecovery(QWebEnginePage *page)
    : QObject(page)
    , m_page(page)
{
    m_clock.start();
    m_hangTimer.setSingleShot(true);
    m_hangTimer.setInterval(kAnswerTimeoutMs);
    connect(&m_hangTimer, &QTimer::timeout, this, &PageRecovery::endHungRenderer);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
            stopWatching();
            if (status == QWebEnginePage::NormalTerminationStatus)
                return;
            qDebug() << "renderProcessTerminated" << status << "exitCode=" << exitCode;
            bringBackAfterAbnormalEnd();
        });
    // A page that has finished loading answers, whatever became of the question asked before the reload.
    connect(page, &QWebEnginePage::loadFinished, this, &PageRecovery::stopWatching);
}

void PageRecovery::reload()
{
    // Without a renderer (one that died while the automatic reloads were used up) there is nothing to wait for.
    const qint64 renderer = m_page->renderProcessPid();
    if (renderer != 0 && !m_hangTimer.isActive()) {
        m_watchedRenderer = renderer;
        m_hangTimer.start();
        // Asked before the reload, so that a live renderer answers before the reload reaches it.
        const QPointer<PageRecovery> self(this);
        m_page->runJavaScript(QStringLiteral("0"), [self](const QVariant &) {
            if (self)
                self->stopWatching();
        });
    }
    m_page->triggerAction(QWebEnginePage::Reload);
}

void PageRecovery::bringBackAfterAbnormalEnd()
{
    const bool endedForF5 = m_endedForF5;
    m_endedForF5 = false;
    if (!endedForF5 && !m_automaticReloads.take(m_clock.elapsed()))
        return;
    // The engine ignores a reload asked for from inside this signal, while it still tears the renderer down.
    QMetaObject::invokeMethod(
        this, [this] { m_page->triggerAction(QWebEnginePage::Reload); }, Qt::QueuedConnection);
}

void PageRecovery::endHungRenderer()
{
    // A renderer replaced meanwhile is not the one that failed to answer.
    if (m_page->renderProcessPid() != m_watchedRenderer)
        return;
    // Only a renderer that was really ended makes the reload F5's own; otherwise the next end counts against the
    // budget.
    m_endedForF5 = killBrowserEngineProcess(m_watchedRenderer);
}

void PageRecovery::stopWatching()
{
    m_hangTimer.stop();
}
