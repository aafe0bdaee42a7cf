// The window's pictures on a screen scaled by 2 (QT_SCALE_FACTOR, set by CTest for this test): none is drawn upscaled.
// The title-bar glyphs and the splash come from their @2x pictures, the tray icon from the icon's 128 pixels.

#include "app/mainwindow.h"
#include "app/screenscaling.h"
#include "placeholderpage.h"
#include "window/vuedialog.h"
#include "workdir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

class TestPictures : public QObject
{
    Q_OBJECT

public:
    // Before the application object, as the client's main() does.
    static void initMain() { scaleWithTheScreen(); }

private slots:
    void aScreenScaledByTwoGetsPicturesAtItsPixels();
};

void TestPictures::aScreenScaledByTwoGetsPicturesAtItsPixels()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    TestWorkDir workDir;
    std::unique_ptr<VueDialog> window(openMainWindow(newPlaceholderPageHost));

    const auto buttons = window->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 2);
    for (QPushButton *button : buttons) {
        const QPixmap glyph = button->icon().pixmap(button->iconSize());
        QCOMPARE(glyph.size(), button->iconSize() * 2);
        QCOMPARE(glyph.devicePixelRatio(), 2.0);
    }
    const QPixmap splash = window->findChild<QLabel *>()->pixmap(Qt::ReturnByValue);
    QCOMPARE(splash.size(), QSize(1920, 1080));
    QCOMPARE(splash.devicePixelRatio(), 2.0);
    const QPixmap tray = window->findChild<QSystemTrayIcon *>()->icon().pixmap(QSize(16, 16));
    QCOMPARE(tray.size(), QSize(32, 32));
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
