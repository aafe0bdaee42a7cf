#include "single_instance/qsingletonapp.h"

#include "platform/filelock.h"
#include "platform/localserveraccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace {

// Silent knocks that may wait for their second at the same time.
constexpr int kMostKnocksWaiting = 8;

} // namespace

QSingletonApp::QSingletonApp(const QString &serverName)
    : m_serverName(serverName)
{
    probeOrListen();
}

QSingletonApp::~QSingletonApp() = default;

bool QSingletonApp::hasOtherInstance() const
{
    return m_otherInstance;
}

void QSingletonApp::setWindowToShow(QWidget *window)
{
    m_windowToShow = window;
}

void QSingletonApp::probeOrListen()
{
    // Two starts at the same moment would otherwise both find nobody listening and both listen. The probe and the
    // listen are one step for every start that uses this temporary folder; the lock goes when this function returns.
    // It is held for at most the probe and the write, so a start that cannot have it soon goes on without it.
    const FileLock oneAtATime(QDir(QDir::tempPath()).filePath(m_serverName + QStringLiteral(".lock")), 3000);

    m_otherInstance = false;
    const auto probe = std::make_unique<QLocalSocket>();
    probe->connectToServer(m_serverName, QIODevice::ReadWrite);

    if (probe->waitForConnected(500)) {
        m_otherInstance = true;
        // The running instance does not read it; it is sent as a courtesy, without separator or terminator.
        const QStringList arguments = QCoreApplication::arguments();
        QTextStream stream(probe.get());
        if (arguments.size() > 1)
            stream << arguments.last();
        stream.flush();
        probe->waitForBytesWritten(2000);
        return;
    }

    m_server = new QLocalServer;
    // Every account of the machine may knock, this one included; OtherAccessOption alone would make a socket file's
    // mode 0007 and lock its own user out.
    m_server->setSocketOptions(
        localServerNameIsASocketFile() ? QLocalServer::WorldAccessOption : QLocalServer::OtherAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &QSingletonApp::newLocalConnection);
    // A name still in use here belongs to nobody who answers: an instance that crashed or hangs left it behind.
    if (!m_server->listen(m_serverName) && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(m_serverName);
        m_server->listen(m_serverName);
    }
}

void QSingletonApp::newLocalConnection()
{
    QLocalSocket *connection = m_server->nextPendingConnection();
    if (!connection)
        return;
    // The name is open to every account of the machine, so a knock must not hold up the event loop: it is answered
    // once its data arrive, the other side hangs up or a second has passed. What it sends plays no part and is never
    // read; the buffer keeps a knock that floods it to a single byte.
    connection->setReadBufferSize(1);
    auto *deadline = new QTimer(connection);
    deadline->setSingleShot(true);
    const auto answer = [this, connection, deadline] {
        // Whichever comes first answers; the connection says nothing more to this object.
        disconnect(connection, nullptr, this, nullptr);
        disconnect(deadline, nullptr, this, nullptr);
        connection->deleteLater();
        --m_knocksWaiting;
        if (m_windowToShow)
            m_windowToShow->show();
    };
    connect(connection, &QLocalSocket::readyRead, this, answer);
    connect(connection, &QLocalSocket::disconnected, this, answer);
    connect(deadline, &QTimer::timeout, this, answer);
    ++m_knocksWaiting;
    // Knocks that pile up are answered at once beyond a few, so that no stream of them can hold more than these.
    if (m_knocksWaiting > kMostKnocksWaiting)
        answer();
    else
        deadline->start(1000);
}
