#include "app/mainwindow.h"
#include "app/screenscaling.h"
#include "app/updatecheck.h"
#include "app/webprofile.h"
#include "platform/processes.h"
#include "platform/shadercache.h"
#include "single_instance/qsingletonapp.h"
#include "window/vuedialog.h"

#include <QApplication>
#include <QDebug>
#include <QNetworkProxyFactory>

int main(int argc, char *argv[])
{
    // Before the application object exists, so that no part of the browser engine holds these files yet.
    clearWebProfile();
    // Before the application object loads the GL driver, which would otherwise die writing to a full disk.
    keepShaderCacheOffAFullDisk();

    // Before the application object, which reads it.
    scaleWithTheScreen();

    // Nothing else is configured on the application: its name stays the executable's, "nuvagame", which is where the
    // browser keeps the profile that clearWebProfile empties.
    QApplication app(argc, argv);
    qDebug() << "main() start.....................";

    // Service requests go straight to the service, whatever proxy the desktop is set to.
    QNetworkProxyFactory::setUseSystemConfiguration(false);

    // Runs in every start, even one that will find another instance below; may end the process.
    runUpdateCheck();

    // Before any window or child process: a second start only knocks and leaves.
    QSingletonApp guard(QStringLiteral("NUVAB_GAME_WINDOWS_CLIENT_0755"));
    if (guard.hasOtherInstance())
        return 0;

    // Leftovers of an earlier run, before this run starts its own engine. Live ones may serve another program's
    // browser view and stay.
    killLeftoverBrowserEngineProcesses();

    VueDialog *window = openMainWindow(newPageHost);
    guard.setWindowToShow(window);

    return app.exec();
}
