// The window's own title bar and dragging: the window has no system frame.

#include "window/vuedialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <qpa/qplatformcursor.h>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

namespace {

// As first written, the hover colour carried a stray fourth value and a bare "border:none" trailed the rule, and Qt
// threw the whole sheet away: no hover colour ever, and a warning at every start. This is what it plainly meant.
const QString kButtonStyle
    = QStringLiteral("QPushButton{border:none;}"
                     "QPushButton:hover{background-color:rgb(67, 91, 122);border:none;color:rgb(255, 255, 255);}");

constexpr QSize kTitleButtonSize(42, 30);

// A push button works its size hint out from its text's font metrics, text or none, and the first font metrics of a
// process load the font database: about 10 ms on a Linux desktop, which the window would spend before it could go on
// screen. These buttons' size is fixed, so that size is their hint, and the window's first map and paint need no font.
class TitleButton : public QPushButton
{
public:
    QSize sizeHint() const override { return kTitleButtonSize; }
    QSize minimumSizeHint() const override { return kTitleButtonSize; }
};

QPushButton *titleButton(const QString &iconFile)
{
    auto *button = new TitleButton;
    button->setIcon(QIcon(iconFile));
    button->setStyleSheet(kButtonStyle);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setMinimumSize(kTitleButtonSize);
    button->setMaximumSize(kTitleButtonSize);
    return button;
}

// The window system's pointer, which tells where it is in the screen's own pixels; none where there is none. A mouse
// event's position on the desktop comes in whole scaled pixels, which on a screen scaled by 1.25 or 1.5 the pointer's
// own steps mostly fall between.
QPlatformCursor *nativePointer(const QWindow *window)
{
    return window && window->handle() && window->screen() ? window->screen()->handle()->cursor() : nullptr;
}

} // namespace

void VueDialog::createDialogTitle()
{
    m_titleBar = new QWidget;
    m_titleLayout = new QHBoxLayout;
    m_titleBar->setLayout(m_titleLayout);
    m_titleBar->setFixedHeight(30);
    m_titleBar->setStyleSheet(QStringLiteral("background-color: rgb(43, 61, 85)"));

    m_minButton = titleButton(QStringLiteral("./images/icon_mini.png"));
    m_closeButton = titleButton(QStringLiteral("./images/icon_close.png"));
    connect(m_minButton, &QPushButton::clicked, this, &VueDialog::on_minButton);
    connect(m_closeButton, &QPushButton::clicked, this, &VueDialog::on_exitAppAction);

    m_titleLayout->addSpacing(430);
    m_titleLayout->addStretch(0);
    m_titleLayout->addWidget(m_minButton);
    m_titleLayout->setSpacing(0);
    m_titleLayout->addWidget(m_closeButton);
    m_titleLayout->setContentsMargins(0, 0, 0, 0);
}

// Hides to the tray rather than minimising; from here on the tray icon stays. A desktop without a tray (many Linux
// ones) would leave nothing that leads back to a hidden window, so there the window goes to the task bar instead.
void VueDialog::on_minButton()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        m_minimisedInPlaceOfHiding = true;
        return;
    }
    hide();
    m_sysTrayIcon->setVisible(true);
}

// Presses that no child takes (the bare title bar, the splash picture) grab the window, with any button. Where the
// window system moves windows itself (Windows, a window manager on X11, a Wayland compositor) it is asked to: it snaps,
// and crosses screens of different scales without a resize in the middle. It then keeps the pointer, the release
// included, to itself, so no drag state is kept for a release that never comes. Where it declines (X11 without a
// window manager), the window moves itself.
void VueDialog::mousePressEvent(QMouseEvent *event)
{
    if (windowHandle() && windowHandle()->startSystemMove()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    const QWindow *window = windowHandle();
    m_dragInScreenPixels = window && window->devicePixelRatio() != 1 && nativePointer(window);
    // The event's place in the window is exact, where its place on the desktop is rounded to whole scaled pixels.
    m_dragOffset = m_dragInScreenPixels ? (event->windowPos() * window->devicePixelRatio()).toPoint()
                                        : event->globalPos() - pos();
    QWidget::mousePressEvent(event);
}

// The grabbed point stays under the cursor while a button is held. The window goes wherever that puts it, the
// screen's top-left corner included. On a scaled screen the window is placed in the screen's own pixels, with the
// grabbed point kept in them too, so that it follows the pointer pixel for pixel rather than in scaled steps.
void VueDialog::mouseMoveEvent(QMouseEvent *event)
{
    const bool dragging = m_dragging && event->buttons() != Qt::NoButton;
    if (dragging && m_dragInScreenPixels) {
        if (QPlatformCursor *pointer = nativePointer(windowHandle())) {
            QPlatformWindow *nativeWindow = windowHandle()->handle();
            nativeWindow->setGeometry(QRect(pointer->pos() - m_dragOffset, nativeWindow->geometry().size()));
        }
    } else if (dragging) {
        move(event->globalPos() - m_dragOffset);
        m_dragOffset = event->globalPos() - pos();
    }
    QWidget::mouseMoveEvent(event);
}

void VueDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

// The window does nothing of its own on any change, a minimise by other means than the title bar included. It only
// notes that a window the minimise button put on the task bar has been brought back from there by the user.
void VueDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
        m_minimisedInPlaceOfHiding = false;
}

// Every path that shows a hidden window (a later start's knock, the viewer's end, the tray) comes here through
// show(). A window that the minimise button put on the task bar for want of a tray stands for a hidden one and comes
// back to normal; one the user minimised by other means stays minimised.
void VueDialog::setVisible(bool visible)
{
    if (visible && m_minimisedInPlaceOfHiding) {
        m_minimisedInPlaceOfHiding = false;
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    QDialog::setVisible(visible);
}
