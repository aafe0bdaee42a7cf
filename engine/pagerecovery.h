#pragma once

#include "engine/reloadbudget.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWebEnginePage;

// Brings the page back when its renderer process dies or hangs. The engine shows nothing of its own after a
// renderer has gone (the view stays black) and a reload waits on a renderer stuck in a script loop, so without this
// the user is left with a dead window.
class PageRecovery : public QObject
{
    Q_OBJECT

public:
    // Watches page, whose child it becomes.
    explicit PageRecovery(QWebEnginePage *page);

    // What F5 does: reloads the page and, when its renderer does not answer within 2 s, ends that renderer so that
    // the reload runs in a fresh one.
    void reload();

private:
    void bringBackAfterAbnormalEnd();
    void endHungRenderer();
    void stopWatching();

    QWebEnginePage *m_page;
    ReloadBudget m_automaticReloads;
    QElapsedTimer m_clock;
    // Runs only between an F5 and the page's answer, so an idle client has no timer to wake it.
    QTimer m_hangTimer;
    qint64 m_watchedRenderer = 0;
    // The renderer was ended on F5's behalf: bringing the page back is F5's own reload, whatever the budget says.
    bool m_endedForF5 = false;
};
