#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

// Lets one client run per machine: a later start finds the running one through a named local server.
class QSingletonApp : public QObject
{
    Q_OBJECT

public:
    explicit QSingletonApp(const QString &serverName);
    ~QSingletonApp() override;

    bool hasOtherInstance() const;
    // The window that a later start brings back into view; not owned.
    void setWindowToShow(QWidget *window);

private:
    QString m_serverName;
    bool m_otherInstance = false;
    QLocalServer *m_server = nullptr;
    QWidget *m_windowToShow = nullptr;
};
