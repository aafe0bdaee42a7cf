#include "window/vuedialog.h"

#include "api/serviceaddress.h"
#include "platform/machineaddress.h"
#include "window/splashpicture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// How long after the window was shown the page host comes at the latest, painted or not.
constexpr int kPageHostLatestMs = 300;
} // namespace

VueDialog::VueDialog()
    : QDialog(nullptr)
{
    auto *mainLayout = new QVBoxLayout;
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);

    createDialogTitle();
    mainLayout->addWidget(m_titleBar);

    m_splashLabel = new QLabel;
    m_splashLabel->setAlignment(Qt::AlignCenter);
    QPalette splashPalette = m_splashLabel->palette();
    splashPalette.setBrush(QPalette::WindowText, QBrush(Qt::white));
    m_splashLabel->setPalette(splashPalette);
    m_splashLabel->setPixmap(splashPicture());
    mainLayout->addWidget(m_splashLabel);
    setLayout(mainLayout);

    setWindowTitle(QStringLiteral("nuvagame"));

    createTray();
    m_computerAddress = readMachineAddress();

    // The window outlives the event loop, which ends when the window manager closes the window (Alt+F4, say), but its
    // page and tray icon must not outlive the application object: the engine's profile goes with that, and releasing
    // the profile under a live page makes the engine warn of trouble.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        delete m_pageHost;
        m_pageHost = nullptr;
        // As at the exit action: a tray icon left to the process's end stays in Windows' notification area, dead.
        delete m_sysTrayIcon;
        m_sysTrayIcon = nullptr;
    });
}

VueDialog::~VueDialog() = default;

// The browser engine starts with the first page host, which takes a while (seconds on a cold Windows laptop), so the
// window goes on screen with its title bar and splash first: its first paint asks for the page host, which comes in
// the next turn of the event loop, once that paint has reached the screen.
void VueDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    requestPageHost();
}

// A window that is never painted (started minimised, or on another workspace) must still load its page and answer
// the bridge: shortly after it was shown, the page host comes whether or not a paint asked for it.
void VueDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_pageHostRequested)
        QTimer::singleShot(kPageHostLatestMs, this, &VueDialog::requestPageHost);
}

void VueDialog::requestPageHost()
{
    if (m_pageHostRequested)
        return;
    m_pageHostRequested = true;
    QMetaObject::invokeMethod(this, &VueDialog::createPageHost, Qt::QueuedConnection);
}

void VueDialog::setPageHostFactory(PageHostFactory newPageHost)
{
    m_newPageHost = newPageHost;
}

// The page starts loading at once; it stays hidden behind the splash until the first load has finished.
void VueDialog::createPageHost()
{
    if (!m_newPageHost)
        return;
    m_pageHost = m_newPageHost();
    // Without a page the splash stays; the host said why.
    if (!m_pageHost)
        return;
    m_pageHost->setParent(this);
    m_pageHost->load(frontEndUrl());
    // F5 in the page is taken before the page sees it: a key goes to the renderer first and comes back to the window
    // only once the page has not used it, which a page stuck in a script loop never tells.
    auto *reloadKey = new QShortcut(
        QKeySequence(Qt::Key_F5), m_pageHost->view(), nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(reloadKey, &QShortcut::activated, m_pageHost, &PageHost::reload);

    // Published before control returns to the event loop, so the object is there from the first page load on.
    publishToPage();

    // Between the title bar and the splash, hidden until the splash goes.
    m_pageHost->view()->hide();
    qobject_cast<QBoxLayout *>(layout())->insertWidget(1, m_pageHost->view());
    m_pageHost->setLoadFinishedHandler([this] { showBrowser(); });
}

void VueDialog::showBrowser()
{
    m_pageHost->view()->show();
    m_splashLabel->hide();
}

// Nothing is passed on to QDialog: its key handling would close the window on Escape. Before the page host exists
// there is no page to reload.
void VueDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F5 && m_pageHost)
        m_pageHost->reload();
}
