// The tray icon with its menu, and the exit action shared with the title bar's close button.

#include "platform/processes.h"
#include "window/vuedialog.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

#include <cstdlib>

// The icon stays hidden until the minimise button first hides the window.
void VueDialog::createTray()
{
    m_sysTrayIcon = new QSystemTrayIcon(this);
    m_sysTrayIcon->setIcon(QIcon(QStringLiteral("./images/app.ico")));
    m_sysTrayIcon->setToolTip(tr("云游戏托盘"));
    connect(m_sysTrayIcon, &QSystemTrayIcon::activated, this, &VueDialog::on_activatedSysTrayIcon);
    createActions();
    createMenu();
}

void VueDialog::createActions()
{
    m_showMainAction = new QAction(tr("显示主界面"), this);
    connect(m_showMainAction, &QAction::triggered, this, &VueDialog::on_showMainAction);
    m_exitAppAction = new QAction(tr("退出"), this);
    connect(m_exitAppAction, &QAction::triggered, this, &VueDialog::on_exitAppAction);
}

void VueDialog::createMenu()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_showMainAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_exitAppAction);
    m_sysTrayIcon->setContextMenu(m_trayMenu);
}

void VueDialog::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        show();
}

void VueDialog::on_showMainAction()
{
    show();
}

// Ends every other client, then this one. It never kills itself: that would skip the tray icon's removal (leaving
// a dead icon in the notification area) and end with a failure status. The end skips the static destructors that
// exit() would run: the browser engine's threads (its compositor among them) still run here and use what those
// destroy, and a high-DPI client died of that in about one end in ten.
void VueDialog::on_exitAppAction()
{
    killOtherProcessesByImageName(clientImageName());
    delete m_pageHost;
    m_pageHost = nullptr;
    delete m_sysTrayIcon;
    m_sysTrayIcon = nullptr;
    std::_Exit(0);
}
