// The game session: launching the viewer for the page, and everything between the client, the viewer and the page.

#include "window/vuedialog.h"

QString VueDialog::startGame(QString)
{
    return QString();
}

void VueDialog::disconnectNode()
{ }

void VueDialog::orderStatus(QJsonObject)
{ }

void VueDialog::finish_process(int, QProcess::ExitStatus)
{ }

void VueDialog::readFromOrbview()
{ }
