#include "app/mainwindow.h"
#include "app/screenscaling.h"
#include "app/updatecheck.h"
#include "app/webprofile.h"
#include "platform/processes.h"
#include "platform/shadercache.h"
#include "single_instance/qsingletonapp.h"
#include "window/splashpicture.h"
#include "window/vuedialog.h"

#include <QApplication>
#include <QDebug>
#include <QLoggingCategory>
#include <QNetworkProxyFactory>

#include <chrono>

namespace {

Q_LOGGING_CATEGORY(startupSteps, "nuvagame.startup", QtWarningMsg)

// Where the start's time goes, for the benchmark: the end of each step on the monotonic clock, in milliseconds. Silent
// unless QT_LOGGING_RULES turns "nuvagame.startup.debug" on.
void stepDone(const char *step)
{
    if (!startupSteps().isDebugEnabled())
        return;
    const std::chrono::duration<double, std::milli> now = std::chrono::steady_clock::now().time_since_epoch();
    qCDebug(startupSteps, "%s at %.3f", step, now.count());
}

} // namespace

int main(int argc, char *argv[])
{
    stepDone("main entered");
    // Before the application object exists, so that no part of the browser engine holds these files yet.
    clearWebProfile();
    stepDone("profile cleared");
    // Before the application object loads the GL driver, which would otherwise die writing to a full disk.
    keepShaderCacheOffAFullDisk();

    // Before the application object, which reads it.
    scaleWithTheScreen();
    stepDone("shader cache and scaling");

    // Nothing else is configured on the application: its name stays the executable's, "nuvagame", which is where the
    // browser keeps the profile that clearWebProfile empties.
    QApplication app(argc, argv);
    qDebug() << "main() start.....................";
    stepDone("application object");
    // Decoded beside the start's next steps, for the window to find ready.
    const SplashPicturePreload splashPreload;

    // Service requests go straight to the service, whatever proxy the desktop is set to.
    QNetworkProxyFactory::setUseSystemConfiguration(false);

    // Runs in every start, even one that will find another instance below; may end the process.
    runUpdateCheck();
    stepDone("update check");

    // Before any window or child process: a second start only knocks and leaves.
    QSingletonApp guard(QStringLiteral("NUVAB_GAME_WINDOWS_CLIENT_0755"));
    if (guard.hasOtherInstance())
        return 0;
    stepDone("single-instance guard");

    // Leftovers of an earlier run, before this run starts its own engine. Live ones may serve another program's
    // browser view and stay.
    killLeftoverBrowserEngineProcesses();
    stepDone("leftover engine scan");

    VueDialog *window = openMainWindow(newPageHost);
    guard.setWindowToShow(window);
    stepDone("window shown");

    return app.exec();
}
