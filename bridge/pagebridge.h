#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

class PageHost;
class QEvent;
class VueDialog;

// What the page reaches: the object published on the page's web channel as "VueDialog". It carries exactly the
// window's three signals and eight public slots, in their order, and passes them on; nothing of the window itself
// (closing, hiding, restyling, its properties) is within the page's reach. Of the five slots that act, each first
// checks that the page now shown is the service's own front end.
class PageBridge : public QObject
{
    Q_OBJECT

public:
    // Forwards to window; page shows the page whose address the acting slots check.
    PageBridge(VueDialog *window, PageHost *page);

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
    // The channel publishes QObject's own deleteLater with every object; from the page it must do nothing.
    bool event(QEvent *event) override;

private:
    // Whether the page now shown is the service's front end; when not, says so in a debug line naming the slot. A
    // link that leads the view elsewhere must not hand that site the viewer or the desktop's URL handler.
    bool isCalledByFrontEnd(const char *slot) const;

    VueDialog *m_window;
    PageHost *m_page;
};
