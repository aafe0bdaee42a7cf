#include "serviceprocess.h"

#include <QRegularExpression>

ServiceProcess::~ServiceProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool ServiceProcess::start(const QStringList &options)
{
    return startWith(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
}

bool ServiceProcess::startForTestClient(const QStringList &options)
{
    return startWith(QStringList{QStringLiteral("--bind"), QStringLiteral(NUVA_TEST_SERVICE_HOST)} + options);
}

bool ServiceProcess::startWith(const QStringList &arguments)
{
    process.start(QStringLiteral(NUVA_SERVICE_PATH), arguments);
    if (!process.waitForReadyRead(5000))
        return false;
    const auto match = QRegularExpression(QStringLiteral("listening on http://[^/]+:(\\d+)/"))
                           .match(QString::fromUtf8(process.readLine()));
    m_port = match.hasMatch() ? match.captured(1).toInt() : 0;
    return m_port > 0;
}

QByteArray ServiceProcess::log()
{
    m_log += process.readAllStandardOutput();
    return m_log;
}
