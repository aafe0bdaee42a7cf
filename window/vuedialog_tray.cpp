// The tray icon with its menu, and the exit action shared with the title bar's close button.

#include "window/vuedialog.h"

void VueDialog::createTray()
{
    createActions();
    createMenu();
}

void VueDialog::createActions()
{ }

void VueDialog::createMenu()
{ }

void VueDialog::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason)
{ }

void VueDialog::on_showMainAction()
{ }

void VueDialog::on_exitAppAction()
{ }
