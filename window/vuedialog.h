#pragma once

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
class QPushButton;
class QWebChannel;
class QWebEngineView;

// The client's only window and the native side of what the service's page talks to. The page reaches its signals
// and public slots through a PageBridge, published on the page's web channel as "VueDialog", and nothing else of it.
// Its code is split along the line between the window shell (window/) and the page bridge with the game session
// (bridge/).
class VueDialog : public QDialog
{
    Q_OBJECT

public:
    // Builds the whole window and starts loading the service's page. The window stays hidden; its size, flags and
    // style sheet are left to the caller.
    VueDialog();
    ~VueDialog() override;

    // What the page receives, through the PageBridge, under these names. The public slots act for whoever calls
    // them; the bridge checks the page's origin first.
signals:
    // false once a viewer has been launched; true when a viewer has ended or the page disconnected.
    void sendOrderShow(bool flag);
    // The viewer asked to close the order; the client restarts the viewer.
    void closeOrder();
    // The viewer reported a frame-rate change; the client restarts the viewer.
    void fpsChanged();

public slots:
    // Called by the page to end the session: every viewer is killed, then sendOrderShow(true).
    void disconnectNode();
    // Called by the page to start a game with its launch parameter. Returns "" once the viewer has been launched,
    // or a refusal text when a viewer already runs.
    QString startGame(QString param);
    // Called by the page with a link for the system browser (http and https only); logs the link first.
    void nuvabRegister(QString url);
    // Called by the page with the order's billing status.
    void orderStatus(QJsonObject orderStatusString);
    // Returns the client version, "1.0.4".
    QString getClientVersion();
    // Returns the operating-system tag, "PC_OS_WINDOWS".
    QString getOsVersion();
    // Returns the machine's adapter address ("0A-1B-2C-3D-4E-5F"), read once when the window was built; "" if none.
    QString getComputerAddress();
    // Called by the page with the new version's download link for the system browser (http and https only).
    void downloadClientVersion(QString downloadUrl);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_minButton();
    void on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason);
    void on_showMainAction();
    void on_exitAppAction();
    void createActions();
    void createMenu();
    void createDialogTitle();
    void createTray();
    // Connected to the page's loadFinished: the page replaces the splash picture whether or not the load succeeded.
    void showBrowser();
    // Logs what a reply still holds; nothing in the client connects to it.
    void replyFinished(QNetworkReply *);
    void finish_process(int exitCode, QProcess::ExitStatus exitStatus);
    void readFromOrbview();

private:
    void launchViewer(const QString &param);

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
    // A startGame is waiting for its order confirmation; further calls are refused until it is done.
    bool m_awaitingConfirmation = false;
};
