// The main window and its page host, with the real browser engine and a real local HTTP server.

#include "app/mainwindow.h"
#include "localhttpserver.h"
#include "mouseevents.h"
#include "pagetools.h"
#include "testserviceaddress.h"
#include "window/vuedialog.h"
#include "workdir.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

namespace {

QLabel *splashOf(QWidget *window)
{
    return window->findChild<QLabel *>();
}

// A window as main() opens it; deleted at the end of the test that made it.
std::unique_ptr<VueDialog> openWindow()
{
    return std::unique_ptr<VueDialog>(openMainWindow(newPageHost));
}

// Notes the release of Escape reaching the widget it watches.
struct EscapeReleaseWatcher : QObject
{
    bool seen = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        seen
            = seen || (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape);
        return false;
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowIsFramelessFixedAndBlack();
    void splashIsStretchedToTheContentArea_data();
    void splashIsStretchedToTheContentArea();
    void missingSplashPictureLeavesTheAreaEmpty();
    void loadedPageReplacesTheSplash();
    void failedLoadReplacesTheSplashToo();
    void f5InThePageReloadsWithoutTheSplash();
    void f5BeforeThereIsAPageDoesNothing();
    void escapeLeavesTheWindowOpen();
    void rightClickInThePageOpensNoMenu();
    void pressingInThePageNeverMoves();
    void pageReachesVueDialogOverTheChannel();

private:
    LocalHttpServer m_frontEnd;
    std::unique_ptr<TestWorkDir> m_workDir;
};

void TestMainWindow::initTestCase()
{
    m_frontEnd.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(m_frontEnd.start());
    setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), m_frontEnd.port());
    m_workDir = std::make_unique<TestWorkDir>();
}

void TestMainWindow::windowIsFramelessFixedAndBlack()
{
    auto window = openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QCOMPARE(window->size(), QSize(960, 570));
    QCOMPARE(window->minimumSize(), QSize(960, 570));
    QCOMPARE(window->maximumSize(), QSize(960, 570));
    // Qt gives every parentless widget the plain window type; what main sets replaces the dialog type and every
    // title-bar hint.
    QCOMPARE(window->windowFlags(),
        Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
    QCOMPARE(window->styleSheet(), QStringLiteral("QDialog{border:0px solid #000000;background-color:#000000}"));
    QCOMPARE(window->windowTitle(), QStringLiteral("nuvagame"));
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());

    // Wherever the children leave the window visible, it is black.
    splashOf(window.get())->hide();
    const QImage painted = window->grab().toImage();
    QCOMPARE(painted.pixelColor(480, 560), QColor(Qt::black));
}

void TestMainWindow::splashIsStretchedToTheContentArea_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::newRow("small") << QSize(100, 50);
    QTest::newRow("tall and narrow") << QSize(30, 900);
    QTest::newRow("exact") << QSize(960, 540);
}

void TestMainWindow::splashIsStretchedToTheContentArea()
{
    QFETCH(QSize, pictureSize);
    // A picture of two halves shows whether it was stretched rather than centred or cropped.
    QImage picture(pictureSize, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = pictureSize.height() / 2; y < pictureSize.height(); ++y)
        for (int x = 0; x < pictureSize.width(); ++x)
            picture.setPixelColor(x, y, Qt::blue);
    QVERIFY(picture.save(m_workDir->filePath(QStringLiteral("images/init.png"))));

    auto window = openWindow();
    // Before the event loop runs the page cannot have finished loading: this is the splash state.
    QLabel *splash = splashOf(window.get());
    QVERIFY(splash->isVisible());
    QVERIFY(!webViewOf(window.get())->isVisible());
    const QImage shown = splash->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.size(), QSize(960, 540));
    QCOMPARE(shown.pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(954, 534), QColor(Qt::blue));
    QCOMPARE(splash->alignment(), Qt::AlignCenter);
}

void TestMainWindow::missingSplashPictureLeavesTheAreaEmpty()
{
    QVERIFY(QFile::remove(m_workDir->filePath(QStringLiteral("images/init.png"))));
    auto window = openWindow();
    QLabel *splash = splashOf(window.get());
    QVERIFY(splash->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(splash->isVisible());
}

void TestMainWindow::loadedPageReplacesTheSplash()
{
    auto window = openWindow();
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);

    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QCOMPARE(loaded.first().first().toBool(), true);
    QCOMPARE(view->url(), QUrl(m_frontEnd.url()));
    QVERIFY(view->isVisible());
    QVERIFY(!splashOf(window.get())->isVisible());
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(view->page()->backgroundColor(), QColor(142, 168, 209, 255));
}

void TestMainWindow::failedLoadReplacesTheSplashToo()
{
    const int closedPort = closedLoopbackPort();
    setTestServiceAddress(QStringLiteral("127.0.0.1"), closedPort, closedPort);

    auto window = openWindow();
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QCOMPARE(loaded.first().first().toBool(), false);
    QVERIFY(view->isVisible());
    QVERIFY(!splashOf(window.get())->isVisible());

    setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), m_frontEnd.port());
}

void TestMainWindow::f5InThePageReloadsWithoutTheSplash()
{
    auto window = openWindow();
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    const int requestsBefore = m_frontEnd.count(QStringLiteral("/"));

    // The key goes where a user's would: into the page, which hands keys it does not use to the window.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    view->setFocus();
    QTest::keyClick(view->focusProxy(), Qt::Key_F5);

    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 2, 30000);
    QCOMPARE(m_frontEnd.count(QStringLiteral("/")), requestsBefore + 1);
    QVERIFY(view->isVisible());
    QVERIFY(!splashOf(window.get())->isVisible());
}

// The page host comes after the window's first paint; an F5 before that has no page to reload.
void TestMainWindow::f5BeforeThereIsAPageDoesNothing()
{
    const int requestsBefore = m_frontEnd.count(QStringLiteral("/"));
    auto window = openWindow();
    QTest::keyClick(window.get(), Qt::Key_F5);
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QCOMPARE(m_frontEnd.count(QStringLiteral("/")), requestsBefore + 1);
}

void TestMainWindow::escapeLeavesTheWindowOpen()
{
    auto window = openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QSignalSpy rejected(window.get(), &QDialog::rejected);

    // A dialog closes on Escape unless its key handling is bypassed; the key is delivered synchronously.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(window->isVisible());
    QCOMPARE(rejected.count(), 0);

    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    // The page keeps the press of Escape and passes its release up to the window, so once the release has arrived the
    // page has dealt with the press.
    EscapeReleaseWatcher arrived;
    window->installEventFilter(&arrived);
    view->setFocus();
    QTest::keyClick(view->focusProxy(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(arrived.seen, 30000);
    QVERIFY(window->isVisible());
    QCOMPARE(rejected.count(), 0);
}

void TestMainWindow::rightClickInThePageOpensNoMenu()
{
    auto window = openWindow();
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    // A context menu would pop up once the page has handled the click and the engine has asked the view for it;
    // the page's own event, then one more round trip to the page, come after that request.
    evaluate(view->page(), "document.addEventListener('contextmenu', () => { window.contextMenuAsked = true; });");
    QTest::mouseClick(view->focusProxy(), Qt::RightButton, {}, QPoint(200, 200));
    QVERIFY(waitForTrue(view->page(), "window.contextMenuAsked === true"));
    QVERIFY(evaluate(view->page(), "true").toBool());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

void TestMainWindow::pageReachesVueDialogOverTheChannel()
{
    auto window = openWindow();
    QWebEnginePage *page = webViewOf(window.get())->page();

    QVERIFY(waitForTrue(page, QStringLiteral("window.bridgeReady === true")));
    QCOMPARE(callFromPage(page, "getOsVersion").toString(), QStringLiteral("PC_OS_WINDOWS"));
}

void TestMainWindow::pressingInThePageNeverMoves()
{
    auto window = openWindow();
    QWebEngineView *view = webViewOf(window.get());
    QSignalSpy loaded(view->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
    QTRY_VERIFY(view->focusProxy());
    const QPoint start = window->pos();
    QWidget *page = view->focusProxy();
    sendMouse(page, QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
    sendMouse(page, QEvent::MouseMove, QPoint(360, 260), Qt::NoButton, Qt::LeftButton);
    sendMouse(page, QEvent::MouseButtonRelease, QPoint(360, 260), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(window->pos(), start);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
