#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

// Lets one client run per machine: a later start finds the running one through a named local server, tells it so
// and reports that another instance exists; the running one then shows its window.
class QSingletonApp : public QObject
{
    Q_OBJECT

public:
    // Probes for a running instance and, when none answers, listens under the name; both before it returns.
    explicit QSingletonApp(const QString &serverName);
    ~QSingletonApp() override;

    bool hasOtherInstance() const;
    // The window that a later start brings back into view; not owned.
    void setWindowToShow(QWidget *window);

private slots:
    void newLocalConnection();

private:
    void probeOrListen();

    QString m_serverName;
    bool m_otherInstance = false;
    // Never closed or deleted: it listens until the process ends.
    QLocalServer *m_server = nullptr;
    QWidget *m_windowToShow = nullptr;
    // Later starts taken but not yet answered.
    int m_knocksWaiting = 0;
};
