// The client on a real Wayland compositor (sway, headless), started the way a Wayland desktop starts it: its page
// works, and its title bar moves the window, which there only the compositor can do.

#include "clientprocess.h"
#include "serviceprocess.h"
#include "swaysession.h"
#include "workdir.h"

#include <QTest>

class TestWayland : public QObject
{
    Q_OBJECT

private slots:
    void thePageWorksAndTheTitleBarMovesTheWindow();
};

void TestWayland::thePageWorksAndTheTitleBarMovesTheWindow()
{
    SwaySession sway;
    if (!sway.start())
        QSKIP(qPrintable(QStringLiteral("no Wayland compositor here: ") + sway.whyNot));
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    client.environment.insert(QStringLiteral("WAYLAND_DISPLAY"), sway.waylandDisplay());
    client.environment.remove(QStringLiteral("DISPLAY"));
    QVERIFY(client.start(workDir.path()));

    QTRY_VERIFY2_WITH_TIMEOUT(
        service.log().contains("GET /demo/ready"), (service.log() + client.log()).constData(), 90000);
    std::optional<QRect> before;
    QTRY_VERIFY_WITH_TIMEOUT((before = sway.windowRect(QStringLiteral("nuvagame"))).has_value(), 10000);
    QCOMPARE(before->size(), QSize(960, 570));

    // Grabbed on the empty part of the title bar, left of its buttons.
    const QPoint grabbed = before->topLeft() + QPoint(100, 15);
    QVERIFY(sway.drag(grabbed, grabbed + QPoint(120, 80)));
    QTRY_COMPARE_WITH_TIMEOUT(sway.windowRect(QStringLiteral("nuvagame")).value_or(QRect()).topLeft(),
        before->topLeft() + QPoint(120, 80), 10000);

    // The compositor kept the release to itself; the client still takes the next click, on its close button.
    const QPoint closeButton = before->topLeft() + QPoint(120, 80) + QPoint(938, 15);
    QVERIFY(sway.drag(closeButton, closeButton));
    QVERIFY2(client.endsWithZero(), client.log().right(3000).constData());
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
