// The single-instance guard as main() runs it, in a Windows program of its own: it either knocks and ends with 0, or
// listens, says "listening" and then "shown" whenever a later start has shown its window.

#include "single_instance/qsingletonapp.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace {

void say(const char *line)
{
    std::puts(line);
    std::fflush(stdout);
}

struct ShowReporter : QObject
{
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            say("shown");
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QSingletonApp guard(QStringLiteral("NUVAB_GAME_WINDOWS_CLIENT_0755"));
    if (guard.hasOtherInstance())
        return 0;
    QWidget window;
    ShowReporter reporter;
    window.installEventFilter(&reporter);
    guard.setWindowToShow(&window);
    say("listening");
    return app.exec();
}
