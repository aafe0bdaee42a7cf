// The stand-in service as a process: its answers, its log, its options and how it stops.

#include "localhttpserver.h"
#include "serviceprocess.h"

#include <httplib.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

httplib::Result get(const ServiceProcess &service, const std::string &target)
{
    httplib::Client client("127.0.0.1", service.port());
    client.set_read_timeout(5, 0);
    return client.Get(target.c_str());
}

QJsonObject jsonOf(const httplib::Result &result)
{
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object() : QJsonObject();
}

} // namespace

class TestNuvaService : public QObject
{
    Q_OBJECT

private slots:
    void servesTheDemoPageAndTheApi();
    void logsOneLinePerRequest();
    void stopsCleanlyOnSignal_data();
    void stopsCleanlyOnSignal();
    void refusesAPortInUse();
    void rejectsUnknownOptions();
    void servesAGivenPageInsteadOfTheDemo();
};

void TestNuvaService::servesTheDemoPageAndTheApi()
{
    ServiceProcess service;
    QVERIFY(service.start());

    const auto page = get(service, "/");
    QVERIFY(page);
    QCOMPARE(page->status, 200);
    QVERIFY(page->body.find("qrc:///qtwebchannel/qwebchannel.js") != std::string::npos);

    // No update by default: an empty "data" object.
    const QJsonObject version
        = jsonOf(get(service, "/gpfe/api/clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QVERIFY(version.contains(QStringLiteral("data")));
    QVERIFY(version.value(QStringLiteral("data")).toObject().isEmpty());

    const QJsonObject confirm = jsonOf(get(service, "/gpfe/api/order/confirm_connect?uuid=order-7%22x"));
    const QString node = confirm.value(QStringLiteral("data"))
                             .toObject()
                             .value(QStringLiteral("orderComputer"))
                             .toObject()
                             .value(QStringLiteral("nodeUuid"))
                             .toString();
    QCOMPARE(node, QStringLiteral("node-order-7\"x"));
}

void TestNuvaService::logsOneLinePerRequest()
{
    ServiceProcess service;
    QVERIFY(service.start());
    QVERIFY(get(service, "/gpfe/api/order/confirm_connect?uuid=a"));
    QVERIFY(get(service, "/nothing-here"));

    QTRY_COMPARE_WITH_TIMEOUT(service.log().count('\n'), 2, 5000);
    // Each request is answered on its own connection and thread, so the two lines may come in either order.
    QList<QByteArray> lines = service.log().trimmed().split('\n');
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines, (QList<QByteArray>{"GET /gpfe/api/order/confirm_connect?uuid=a 200", "GET /nothing-here 404"}));
}

void TestNuvaService::stopsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestNuvaService::stopsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    ServiceProcess service;
    QVERIFY(service.start());
    QCOMPARE(::kill(pid_t(service.process.processId()), signalNumber), 0);
    QVERIFY(service.process.waitForFinished(5000));
    QCOMPARE(service.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.process.exitCode(), 0);
}

void TestNuvaService::refusesAPortInUse()
{
    LocalHttpServer occupant;
    QVERIFY(occupant.start());

    QProcess service;
    service.start(QStringLiteral(NUVA_SERVICE_PATH), {QStringLiteral("--port"), QString::number(occupant.port())});
    QVERIFY(service.waitForFinished(5000));
    QCOMPARE(service.exitCode(), 1);
    QVERIFY(service.readAllStandardError().contains("already in use"));
}

void TestNuvaService::rejectsUnknownOptions()
{
    QProcess service;
    service.start(QStringLiteral(NUVA_SERVICE_PATH), {QStringLiteral("--colour"), QStringLiteral("blue")});
    QVERIFY(service.waitForFinished(5000));
    QCOMPARE(service.exitCode(), 2);
    QVERIFY(service.readAllStandardError().contains("unknown option: --colour"));

    service.start(QStringLiteral(NUVA_SERVICE_PATH), {QStringLiteral("--port"), QStringLiteral("http")});
    QVERIFY(service.waitForFinished(5000));
    QCOMPARE(service.exitCode(), 2);

    service.start(QStringLiteral(NUVA_SERVICE_PATH), {QStringLiteral("--help")});
    QVERIFY(service.waitForFinished(5000));
    QCOMPARE(service.exitCode(), 0);
    QVERIFY(service.readAllStandardOutput().contains("--port"));
}

void TestNuvaService::servesAGivenPageInsteadOfTheDemo()
{
    QTemporaryDir folder;
    QFile page(folder.filePath(QStringLiteral("page.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<p>benchmark page 基准</p>");
    page.close();

    ServiceProcess service;
    QVERIFY(service.start({QStringLiteral("--page"), page.fileName()}));
    const auto answer = get(service, "/");
    QVERIFY(answer);
    QCOMPARE(QByteArray::fromStdString(answer->body), QByteArray("<p>benchmark page 基准</p>"));
    // The API is untouched.
    QVERIFY(jsonOf(get(service, "/gpfe/api/order/confirm_connect?uuid=x")).contains(QStringLiteral("data")));

    QProcess unreadable;
    unreadable.start(
        QStringLiteral(NUVA_SERVICE_PATH), {QStringLiteral("--page"), folder.filePath(QStringLiteral("missing.html"))});
    QVERIFY(unreadable.waitForFinished(5000));
    QCOMPARE(unreadable.exitCode(), 2);
    QVERIFY(unreadable.readAllStandardError().contains("cannot read"));
}

QTEST_GUILESS_MAIN(TestNuvaService)
#include "tst_nuvaservice.moc"
