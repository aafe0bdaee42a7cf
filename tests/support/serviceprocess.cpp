#include "serviceprocess.h"

#include <httplib.h>

#include <QFile>
#include <QRegularExpression>
#include <QTest>

bool ServiceProcess::start(const QStringList &options)
{
    return startWith(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
}

bool ServiceProcess::startForTestClient(const QStringList &options)
{
    return startWith(QStringList{QStringLiteral("--bind"), QStringLiteral(NUVA_TEST_SERVICE_HOST)} + options);
}

bool ServiceProcess::startForTestClientWithPage(const QByteArray &script, const QStringList &options)
{
    const QString path = m_pageFolder.filePath(QStringLiteral("page.html"));
    QFile page(path);
    if (!page.open(QIODevice::WriteOnly))
        return false;
    page.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>"
               "<script src=\"qrc:///qtwebchannel/qwebchannel.js\"></script><script>"
               "new QWebChannel(qt.webChannelTransport, function (channel) {"
               "  const bridge = channel.objects.VueDialog;"
        + script + "});</script></body></html>");
    page.close();
    return startForTestClient(QStringList{QStringLiteral("--page"), path} + options);
}

bool ServiceProcess::startWith(const QStringList &arguments)
{
    process.start(QStringLiteral(NUVA_SERVICE_PATH), arguments);
    if (!process.waitForReadyRead(5000))
        return false;
    const auto match = QRegularExpression(QStringLiteral("listening on https?://([^/]+):(\\d+)/"))
                           .match(QString::fromUtf8(process.readLine()));
    m_host = match.captured(1);
    m_port = match.hasMatch() ? match.captured(2).toInt() : 0;
    return m_port > 0;
}

QByteArray ServiceProcess::log()
{
    m_log += process.readAllStandardOutput();
    return m_log;
}

bool ServiceProcess::logCaughtUp()
{
    static int probes = 0;
    const std::string target = "/log-caught-up/" + std::to_string(++probes);
    httplib::Client(m_host.toStdString(), m_port).Get(target);
    const QByteArray line = QByteArray("GET ") + target.c_str() + ' ';
    return QTest::qWaitFor([this, &line] { return log().contains(line); }, 5000);
}
