#include "swaysession.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// Reads exactly size bytes, waiting (bounded) for them.
QByteArray readExactly(QLocalSocket &socket, int size)
{
    while (socket.bytesAvailable() < size && socket.waitForReadyRead(5000)) { }
    return socket.bytesAvailable() >= size ? socket.read(size) : QByteArray();
}

std::optional<QRect> findRect(const QJsonObject &node, const QString &appId)
{
    if (node.value(QStringLiteral("app_id")).toString() == appId) {
        const QJsonObject rect = node.value(QStringLiteral("rect")).toObject();
        return QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
            rect.value(QStringLiteral("width")).toInt(), rect.value(QStringLiteral("height")).toInt());
    }
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
            if (const std::optional<QRect> found = findRect(child.toObject(), appId))
                return found;
        }
    }
    return std::nullopt;
}

} // namespace

bool SwaySession::start()
{
    for (const char *program : {"sway", "wayvnc", "swaymsg"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty()) {
            whyNot = QLatin1String(program) + QStringLiteral(" is not installed");
            return false;
        }
    }
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody || ::getuid() != 0
        || ::chown(QFile::encodeName(m_runtime.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
        whyNot = QStringLiteral("sway runs only as an account without privileges, which takes root to switch to");
        return false;
    }
    QFile config(m_runtime.filePath(QStringLiteral("sway.config")));
    if (!config.open(QIODevice::WriteOnly)
        || config.write(
               QStringLiteral("output HEADLESS-1 resolution %1x%2\n").arg(kScreenWidth).arg(kScreenHeight).toUtf8())
            < 0)
        return false;
    config.close();

    if (!startAsNobody(m_sway, QStringLiteral("sway"), {QStringLiteral("-c"), config.fileName()})
        || !QTest::qWaitFor([this] { return QFile::exists(waylandDisplay()); }, 10000)) {
        whyNot = QStringLiteral("sway did not start: ") + QString::fromLocal8Bit(m_sway.process.readAll().right(500));
        return false;
    }
    const QString vncSocket = m_runtime.filePath(QStringLiteral("vnc.sock"));
    if (!startAsNobody(m_vnc, QStringLiteral("wayvnc"), {QStringLiteral("-u"), vncSocket})
        || !QTest::qWaitFor([&vncSocket] { return QFile::exists(vncSocket); }, 10000)) {
        whyNot = QStringLiteral("wayvnc did not start: ") + QString::fromLocal8Bit(m_vnc.process.readAll().right(500));
        return false;
    }
    m_rfb.connectToServer(vncSocket);
    if (!m_rfb.waitForConnected(5000) || !connectPointer()) {
        whyNot = QStringLiteral("wayvnc did not take an RFB client");
        return false;
    }
    return true;
}

QString SwaySession::waylandDisplay() const
{
    return m_runtime.filePath(QStringLiteral("wayland-1"));
}

std::optional<QRect> SwaySession::windowRect(const QString &appId) const
{
    const QStringList sockets = QDir(m_runtime.path()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    if (sockets.isEmpty())
        return std::nullopt;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"),
        {QStringLiteral("-s"), m_runtime.filePath(sockets.first()), QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!swaymsg.waitForFinished(5000))
        return std::nullopt;
    return findRect(QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object(), appId);
}

bool SwaySession::startAsNobody(ChildProcess &child, const QString &program, const QStringList &arguments)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), m_runtime.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-1"));
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    child.process.setProcessEnvironment(environment);
    child.process.setProcessChannelMode(QProcess::MergedChannels);
    child.process.start(QStringLiteral("setpriv"),
        QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
            QStringLiteral("--clear-groups"), program}
            + arguments);
    return child.process.waitForStarted(5000);
}

// The RFB handshake of protocol 3.8 without authentication, then the server's description, which is not needed.
bool SwaySession::connectPointer()
{
    if (!readExactly(m_rfb, 12).startsWith("RFB 003.008"))
        return false;
    m_rfb.write("RFB 003.008\n");
    m_rfb.flush();
    const QByteArray count = readExactly(m_rfb, 1);
    if (count.isEmpty() || !readExactly(m_rfb, quint8(count[0])).contains(char(1)))
        return false;
    m_rfb.write(QByteArray(1, char(1))); // no authentication
    m_rfb.flush();
    if (readExactly(m_rfb, 4) != QByteArray(4, '\0'))
        return false;
    m_rfb.write(QByteArray(1, char(1))); // shared
    m_rfb.flush();
    const QByteArray init = readExactly(m_rfb, 24);
    if (init.size() != 24)
        return false;
    const int nameLength = int(qFromBigEndian<quint32>(init.constData() + 20));
    return readExactly(m_rfb, nameLength).size() == nameLength;
}

// A PointerEvent: message type 5, the button mask, then x and y.
bool SwaySession::pointer(const QPoint &at, bool leftButtonHeld)
{
    char message[6] = {5, char(leftButtonHeld ? 1 : 0)};
    qToBigEndian<quint16>(quint16(at.x()), message + 2);
    qToBigEndian<quint16>(quint16(at.y()), message + 4);
    return m_rfb.write(message, sizeof message) == qint64(sizeof message) && m_rfb.flush();
}
