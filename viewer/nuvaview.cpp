// nuvaview.exe: a stand-in for the streaming viewer. It shows the arguments the client gave it and has two buttons
// that write the viewer's tokens to standard output; closing its window ends it. Tests script it instead (see
// viewerscript.h).

#include "viewerscript.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

// The client matches a token only as the last ten characters of one read: it must go out bare and at once.
void sendToken(const char *token)
{
    std::fputs(token, stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    const QByteArray record = qgetenv("NUVAVIEW_RECORD");
    if (!record.isEmpty())
        recordStart(record, arguments);
    const QByteArray script = qgetenv("NUVAVIEW_SCRIPT");
    if (!script.isEmpty())
        runScript(script);

    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("nuvaview"));
    auto *layout = new QVBoxLayout(&window);
    auto *title = new QLabel(QStringLiteral("<b>云游戏 · stand-in viewer</b>"));
    auto *shown = new QLabel(QStringLiteral("Arguments:\n") + arguments.join(QLatin1Char('\n')));
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(title);
    layout->addWidget(shown);

    auto *buttons = new QHBoxLayout;
    auto *frameRate = new QPushButton(QStringLiteral("改变帧率 (fpschanged)"));
    auto *closeOrder = new QPushButton(QStringLiteral("结束订单 (closeorder)"));
    QObject::connect(frameRate, &QPushButton::clicked, [] { sendToken("fpschanged"); });
    QObject::connect(closeOrder, &QPushButton::clicked, [] { sendToken("closeorder"); });
    buttons->addWidget(frameRate);
    buttons->addWidget(closeOrder);
    layout->addLayout(buttons);

    window.resize(420, 200);
    window.show();
    return app.exec();
}
