// The client on a real Wayland compositor (sway, headless), started the way a Wayland desktop starts it: its page
// works, and its title bar moves the window, which there only the compositor can do.

#include "clientprocess.h"
#include "serviceprocess.h"
#include "swaysession.h"
#include "workdir.h"

#include <QTest>

namespace {

// The client's window once two looks at it, 100 ms apart, agree: the compositor has caught up with the pointer.
QRect settledRect(const SwaySession &sway)
{
    QRect last;
    for (int look = 0; look < 50; ++look) {
        QTest::qWait(100);
        const QRect now = sway.windowRect(QStringLiteral("nuvagame")).value_or(QRect());
        if (now == last)
            return now;
        last = now;
    }
    return last;
}

} // namespace

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

    // Grabbed on the empty part of the title bar, left of its buttons. The compositor starts moving the window once
    // the client has handed it the press, and from then on the grabbed point stays under the pointer; so the pointer
    // creeps until the window follows, and the rest of the drag must carry the window by exactly as much.
    QPoint at = before->topLeft() + QPoint(100, 15);
    QVERIFY(sway.pointer(at, false) && sway.pointer(at, true));
    QRect now = *before;
    for (int step = 0; step < 50 && now.topLeft() == before->topLeft(); ++step) {
        at += QPoint(2, 1);
        QVERIFY(sway.pointer(at, true));
        now = settledRect(sway);
    }
    QVERIFY2(now.topLeft() != before->topLeft(), "the window did not follow the pointer");
    const QPoint followingFrom = at;
    const QPoint windowFrom = now.topLeft();
    for (int step = 1; step <= 10; ++step)
        QVERIFY(sway.pointer(followingFrom + QPoint(120, 80) * step / 10, true));
    QVERIFY(sway.pointer(followingFrom + QPoint(120, 80), false));
    const QPoint movedTo = settledRect(sway).topLeft();
    QCOMPARE(movedTo - windowFrom, QPoint(120, 80));

    // The compositor kept the release to itself; the client still takes the next click, on its close button.
    const QPoint closeButton = movedTo + QPoint(938, 15);
    QVERIFY(sway.pointer(closeButton, false) && sway.pointer(closeButton, true) && sway.pointer(closeButton, false));
    QVERIFY2(client.endsWithZero(), client.log().right(3000).constData());
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
