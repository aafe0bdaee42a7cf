#include "benchservice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUrl>

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        // Sleeps until an event comes, and at most a little while, so that the deadline is kept.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

void pause(int milliseconds)
{
    waitUntil([] { return false; }, milliseconds);
}

BenchService::~BenchService()
{
    stop();
}

bool BenchService::start(const QString &servicePath, const QString &pageFile, QString &error)
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readLog(); });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(servicePath, {QStringLiteral("--page"), pageFile});
    if (!waitUntil([this] { return m_listening || m_process.state() == QProcess::NotRunning; }, 5000) || !m_listening) {
        error = QStringLiteral("the stand-in service did not start on 127.0.0.1:8081 (is the port taken?)");
        return false;
    }
    return true;
}

void BenchService::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void BenchService::readLog()
{
    m_partialLine += m_process.readAllStandardOutput();
    int end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray line = m_partialLine.left(end);
        m_partialLine.remove(0, end + 1);
        m_listening = m_listening || line.contains(" listening on ");
        const QList<QByteArray> words = line.split(' ');
        // "METHOD TARGET STATUS"
        if (words.size() == 3)
            m_targets << QString::fromUtf8(words[1]);
    }
}

std::optional<QUrlQuery> BenchService::take(const QString &kind, int timeoutMs)
{
    const QString prefix = QStringLiteral("/bench/") + kind + QLatin1Char('?');
    int found = -1;
    const bool arrived = waitUntil(
        [&] {
            for (int i = 0; i < m_targets.size() && found < 0; ++i) {
                if (m_targets[i].startsWith(prefix))
                    found = i;
            }
            return found >= 0;
        },
        timeoutMs);
    if (!arrived)
        return std::nullopt;
    const QUrl url(QStringLiteral("http://service") + m_targets.takeAt(found));
    return QUrlQuery(url);
}
