#pragma once

#include "window/pagehost.h"

#include <QDialog>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QSystemTrayIcon>

class QAction;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QNetworkReply;
class QPaintEvent;
class QShowEvent;
class QPushButton;

// The client's only window and the native side of what the service's page talks to. The page reaches its signals
// and public slots through a PageBridge, published on the page's web channel as "VueDialog", and nothing else of it.
// Its code is split along the line between the window shell (window/) and the page bridge with the game session
// (bridge/).
class VueDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the window with its title bar, splash and tray icon. The window stays hidden; its size, flags and style
    // sheet are left to the caller. The page host and its page follow the window's first paint, or come 300 ms after
    // it was shown where no paint comes.
    VueDialog();
    ~VueDialog() override;

    // What makes the page host once the window asks for it; app/ sets it before the window is shown.
    void setPageHostFactory(PageHostFactory newPageHost);

    // show() and hide() come here; a window the minimise button put on the task bar is shown back to normal.
    void setVisible(bool visible) override;

    // What the page receives, through the PageBridge, under these names (each is described there). The public
    // slots act for whoever calls them; the bridge checks the page's origin first.
signals:
    void sendOrderShow(bool flag);
    void closeOrder();
    void fpsChanged();

public slots:
    void disconnectNode();
    QString startGame(QString param);
    void nuvabRegister(QString url);
    void orderStatus(QJsonObject orderStatusString);
    QString getClientVersion();
    QString getOsVersion();
    QString getComputerAddress();
    void downloadClientVersion(QString downloadUrl);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void on_minButton();
    void on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason);
    void on_showMainAction();
    void on_exitAppAction();
    void createActions();
    void createMenu();
    void createDialogTitle();
    void createTray();
    // At the end of each of the page's loads: the page replaces the splash picture whether or not the load succeeded.
    void showBrowser();
    // Builds the page host (with the browser engine, which it starts) and starts loading the service's page.
    void createPageHost();
    // Asks for the page host once, whatever asks first: the window's first paint or the time after it was shown.
    void requestPageHost();
    // Logs what a reply still holds; nothing in the client connects to it.
    void replyFinished(QNetworkReply *);
    void finish_process(int exitCode, QProcess::ExitStatus exitStatus);
    void readFromOrbview();

private:
    // Registers the page-facing object on the page's web channel, in the bridge's half of the class.
    void publishToPage();
    void launchViewer(const QString &param);

    // What shows the page, and its channel to it; none until createPageHost has run, after the window's first paint
    // or shortly after it was shown.
    PageHost *m_pageHost = nullptr;
    PageHostFactory m_newPageHost = nullptr;
    bool m_pageHostRequested = false;
    QLabel *m_splashLabel = nullptr;
    QString m_balanceText;
    QString m_unitPriceText;
    QString m_useTimeText;
    QString m_totalAmountText;
    bool m_dragging = false;
    // On a scaled screen a drag places the window in the screen's own pixels, and the offset is in them too.
    bool m_dragInScreenPixels = false;
    // Where the grabbed point lies from the window's top-left corner.
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
    // A startGame is waiting for its order confirmation; further calls are refused until it is done.
    bool m_awaitingConfirmation = false;
    // The minimise button put the window on the task bar where it would have hidden it, for want of a tray.
    bool m_minimisedInPlaceOfHiding = false;
};
