#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class QAction;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMenu;
class QProcess;
class QPushButton;
class QSystemTrayIcon;
class QWebChannel;
class QWebEngineView;

// The client's only window and, at the same time, the object the service's page talks to: it is published on the
// page's web channel as "VueDialog". Its code is split along the line between the window shell (window/) and the
// page bridge with the game session (bridge/).
class VueDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the whole window and starts loading the service's page. The window stays hidden; its size, flags and
    // style sheet are left to the caller.
    VueDialog();
    ~VueDialog() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void createDialogTitle();
    void createTray();
    // Connected to the page's loadFinished: the page replaces the splash picture whether or not the load succeeded.
    void showBrowser();

private:
    QWebEngineView *m_webView = nullptr;
    QLabel *m_splashLabel = nullptr;
    QWebChannel *m_webChannel = nullptr;
    QString m_balanceText;
    QString m_unitPriceText;
    QString m_useTimeText;
    QString m_totalAmountText;
    bool m_dragging = false;
    QPoint m_dragOffset;
    QHBoxLayout *m_titleLayout = nullptr;
    QWidget *m_titleBar = nullptr;
    QPushButton *m_minButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QSystemTrayIcon *m_sysTrayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_showMainAction = nullptr;
    QAction *m_exitAppAction = nullptr;
    QProcess *m_process = nullptr;
    QString m_param;
    QString m_computerAddress;
};
