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
    process.start(
        QStringLiteral(NUVA_SERVICE_PATH), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
    if (!process.waitForReadyRead(5000))
        return false;
    const auto match = QRegularExpression(QStringLiteral("listening on http://127\\.0\\.0\\.1:(\\d+)/"))
                           .match(QString::fromUtf8(process.readLine()));
    m_port = match.hasMatch() ? match.captured(1).toInt() : 0;
    return m_port > 0;
}

QByteArray ServiceProcess::log()
{
    m_log += process.readAllStandardOutput();
    return m_log;
}
