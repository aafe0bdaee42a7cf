// Service requests against real HTTP servers on 127.0.0.1: the stand-in service with its options, and servers of the
// test's own where the service cannot stage the case.

#include "api/apiget.h"
#include "api/serviceaddress.h"
#include "localhttpserver.h"
#include "serviceprocess.h"
#include "testserviceaddress.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

void pointAt(int port)
{
    setTestServiceAddress(QStringLiteral("127.0.0.1"), port, port);
}

QJsonObject dataOf(const ApiReply &reply)
{
    return reply.document.object().value(QStringLiteral("data")).toObject();
}

} // namespace

class TestApiGet : public QObject
{
    Q_OBJECT

private slots:
    void sendsTheTargetAndTheOneHeader();
    void anIpv6LoopbackServiceIsReached();
    void anErrorStatusReadsLikeSuccess_data();
    void anErrorStatusReadsLikeSuccess();
    void aRedirectIsNotFollowed();
    void unreadableAnswersGiveANullDocument_data();
    void unreadableAnswersGiveANullDocument();
    void aBodyIsCutAtItsFirstZeroByte();
    void invalidUtf8ArrivesAsReplacementCharacters();
    void requestsShareNoCookies();
    void aSilentServerEndsAtTheTimeLimitWhileEventsFlow();
    void aRequestStartedDuringAWaitCompletesFirst_data();
    void aRequestStartedDuringAWaitCompletesFirst();
    void aServiceThatMisbehavesGivesNoDocument_data();
    void aServiceThatMisbehavesGivesNoDocument();
    void anAnswerPastTheBoundIsCutOff_data();
    void anAnswerPastTheBoundIsCutOff();
};

void TestApiGet::sendsTheTargetAndTheOneHeader()
{
    LocalHttpServer server;
    QVERIFY(server.start());
    pointAt(server.port());

    apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    apiGet(QStringLiteral("order/confirm_connect?uuid=ab cd\"e"));

    const auto requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].method, QStringLiteral("GET"));
    QCOMPARE(
        requests[0].target, QStringLiteral("/gpfe/api/clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QCOMPARE(requests[0].header("Content-Type"), QStringLiteral("application/json"));
    QCOMPARE(requests[0].header("Cookie"), QString());
    // The value is appended unchanged; tolerant parsing encodes what a URL cannot hold.
    QCOMPARE(requests[1].target, QStringLiteral("/gpfe/api/order/confirm_connect?uuid=ab%20cd%22e"));
}

// An IPv6 host goes into the addresses in brackets, as a URL holds it.
void TestApiGet::anIpv6LoopbackServiceIsReached()
{
    LocalHttpServer server;
    if (!server.start("::1"))
        QSKIP("this machine has no IPv6 loopback address");
    setTestServiceAddress(QStringLiteral("::1"), 80, server.port());
    QCOMPARE(frontEndUrl(), QUrl(QStringLiteral("http://[::1]:80/")));
    apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QCOMPARE(server.requests().size(), 1);
}

void TestApiGet::anErrorStatusReadsLikeSuccess_data()
{
    QTest::addColumn<QString>("status");
    QTest::newRow("200") << "200";
    QTest::newRow("404") << "404";
    QTest::newRow("500") << "500";
}

void TestApiGet::anErrorStatusReadsLikeSuccess()
{
    QFETCH(QString, status);
    const QString body = QStringLiteral("{\"data\":{\"downloadUrl\":\"http://127.0.0.1/setup.exe\"}}");
    ServiceProcess service;
    QVERIFY(service.start({"--status", status, "--body", body}));
    pointAt(service.port());

    const ApiReply reply = apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QCOMPARE(reply.body, body);
    QCOMPARE(dataOf(reply).value("downloadUrl").toString(), QStringLiteral("http://127.0.0.1/setup.exe"));
    // The service logs a request once it has answered it, so the line may come just after the answer.
    QTRY_VERIFY_WITH_TIMEOUT(service.log().contains(" " + status.toLatin1() + "\n"), 5000);
}

void TestApiGet::aRedirectIsNotFollowed()
{
    ServiceProcess moved;
    QVERIFY(moved.start({"--redirect", "/gpfe/api/elsewhere", "--body", "{\"data\":{\"moved\":true}}"}));
    pointAt(moved.port());
    const ApiReply reply = apiGet(QStringLiteral("order/confirm_connect?uuid=x"));
    QCOMPARE(dataOf(reply).value("moved").toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(moved.log().contains("confirm_connect?uuid=x 302"), 5000);
    QVERIFY(!moved.log().contains("elsewhere"));

    ServiceProcess empty;
    QVERIFY(empty.start({"--redirect", "/gpfe/api/elsewhere", "--body", ""}));
    pointAt(empty.port());
    QVERIFY(apiGet(QStringLiteral("order/confirm_connect?uuid=x")).document.isNull());
}

void TestApiGet::unreadableAnswersGiveANullDocument_data()
{
    QTest::addColumn<QStringList>("options"); // empty: nothing listens
    QTest::addColumn<QString>("body");
    QTest::newRow("empty body") << QStringList{"--body", ""} << "";
    QTest::newRow("HTML page") << QStringList{"--body", "<html><body>502 Bad Gateway</body></html>", "--status", "502"}
                               << "<html><body>502 Bad Gateway</body></html>";
    QTest::newRow("truncated JSON") << QStringList{"--body", "{\"data\":{"} << "{\"data\":{";
    QTest::newRow("connection refused") << QStringList{} << "";
}

void TestApiGet::unreadableAnswersGiveANullDocument()
{
    QFETCH(QStringList, options);
    QFETCH(QString, body);
    ServiceProcess service;
    if (options.isEmpty()) {
        pointAt(closedLoopbackPort());
    } else {
        QVERIFY(service.start(options));
        pointAt(service.port());
    }
    const ApiReply reply = apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QCOMPARE(reply.body, body);
    QVERIFY(reply.document.isNull());
}

void TestApiGet::aBodyIsCutAtItsFirstZeroByte()
{
    LocalHttpServer server;
    server.server().Get("/gpfe/api/cut", [](const httplib::Request &, httplib::Response &response) {
        response.set_content(std::string("{\"data\":"
                                         "\0"
                                         "{}}",
                                 13),
            "application/json");
    });
    server.server().Get("/gpfe/api/tail", [](const httplib::Request &, httplib::Response &response) {
        response.set_content(std::string("{\"data\":{}}"
                                         "\0"
                                         "garbage",
                                 19),
            "application/json");
    });
    QVERIFY(server.start());
    pointAt(server.port());

    const ApiReply cut = apiGet(QStringLiteral("cut"));
    QCOMPARE(cut.body, QStringLiteral("{\"data\":"));
    QVERIFY(cut.document.isNull());

    const ApiReply tail = apiGet(QStringLiteral("tail"));
    QCOMPARE(tail.body, QStringLiteral("{\"data\":{}}"));
    QVERIFY(tail.document.isObject());
}

void TestApiGet::invalidUtf8ArrivesAsReplacementCharacters()
{
    // Raw bytes cannot travel through a command line in a UTF-8 locale, so this server is the test's own.
    LocalHttpServer server;
    server.server().Get("/gpfe/api/bytes", [](const httplib::Request &, httplib::Response &response) {
        response.set_content("{\"data\":{\"downloadUrl\":\"a\xff\xfe"
                             "b\"}}",
            "application/json");
    });
    QVERIFY(server.start());
    pointAt(server.port());
    const ApiReply reply = apiGet(QStringLiteral("bytes"));
    QVERIFY(!reply.document.isNull());
    QCOMPARE(dataOf(reply).value("downloadUrl").toString(), QStringLiteral("a\uFFFD\uFFFDb"));
}

void TestApiGet::requestsShareNoCookies()
{
    LocalHttpServer server;
    server.server().Get("/gpfe/api/login", [](const httplib::Request &, httplib::Response &response) {
        response.set_header("Set-Cookie", "session=secret; Path=/");
        response.set_content("{\"data\":{}}", "application/json");
    });
    QVERIFY(server.start());
    pointAt(server.port());

    apiGet(QStringLiteral("login"));
    apiGet(QStringLiteral("login"));
    const auto requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].header("Cookie"), QString());
}

void TestApiGet::aSilentServerEndsAtTheTimeLimitWhileEventsFlow()
{
    // Accepts every connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    pointAt(silent.serverPort());

    QTimer ticker;
    QSignalSpy ticks(&ticker, &QTimer::timeout);
    ticker.start(20);
    setApiTimeLimitForTesting(400);
    const ApiReply reply = apiGet(QStringLiteral("order/confirm_connect?uuid=x"));
    setApiTimeLimitForTesting(10000);

    QCOMPARE(reply.body, QString());
    QVERIFY(reply.document.isNull());
    QVERIFY(silent.hasPendingConnections()); // the request did reach it
    QVERIFY(ticks.count() > 0);
}

void TestApiGet::aRequestStartedDuringAWaitCompletesFirst_data()
{
    QTest::addColumn<int>("outerDelayMs");
    QTest::addColumn<int>("innerDelayMs");
    QTest::newRow("outer answered last") << 600 << 0;
    // The outer reply arrives first, yet its call can only return once the nested one has.
    QTest::newRow("outer answered first") << 0 << 600;
}

void TestApiGet::aRequestStartedDuringAWaitCompletesFirst()
{
    QFETCH(int, outerDelayMs);
    QFETCH(int, innerDelayMs);
    LocalHttpServer server;
    for (const auto &[path, delay] : {std::pair{"/gpfe/api/outer", outerDelayMs}, {"/gpfe/api/inner", innerDelayMs}}) {
        const std::string body = std::string("{\"data\":{\"who\":\"") + (path + 10) + "\"}}";
        server.server().Get(path, [body, delay](const httplib::Request &, httplib::Response &response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            response.set_content(body, "application/json");
        });
    }
    QVERIFY(server.start());
    pointAt(server.port());

    QStringList finished;
    QTimer::singleShot(0, [&finished] { finished << dataOf(apiGet(QStringLiteral("inner"))).value("who").toString(); });
    finished << dataOf(apiGet(QStringLiteral("outer"))).value("who").toString();

    QCOMPARE(finished, (QStringList{"inner", "outer"}));
}

void TestApiGet::aServiceThatMisbehavesGivesNoDocument_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("resets the connection mid-body") << QStringLiteral("reset");
    QTest::newRow("answers one byte a second") << QStringLiteral("slow");
    QTest::newRow("closes without answering") << QStringLiteral("close");
}

void TestApiGet::aServiceThatMisbehavesGivesNoDocument()
{
    QFETCH(QString, fault);
    const std::string body = R"({"code":0,"data":{"orderComputer":{"nodeUuid":"node-1"}}})";
    std::atomic<bool> stop{false};
    LocalHttpServer server;
    QTcpServer closer;
    if (fault == QLatin1String("close")) {
        // Accepts, then hangs up without a word.
        QVERIFY(closer.listen(QHostAddress::LocalHost));
        QObject::connect(&closer, &QTcpServer::newConnection, [&closer] {
            while (QTcpSocket *socket = closer.nextPendingConnection())
                socket->abort();
        });
        pointAt(closer.serverPort());
    } else {
        server.server().Get(".*", [&, fault](const httplib::Request &, httplib::Response &response) {
            response.set_content_provider(
                body.size(), "application/json", [&, fault](size_t offset, size_t, httplib::DataSink &sink) {
                    if (fault == QLatin1String("reset")) {
                        // Half the body, then the connection goes.
                        sink.write(body.data(), body.size() / 2);
                        return false;
                    }
                    if (stop || offset >= body.size())
                        return false;
                    sink.write(body.data() + offset, 1);
                    for (int i = 0; i < 10 && !stop; ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return true;
                });
        });
        QVERIFY(server.start());
        pointAt(server.port());
    }

    setApiTimeLimitForTesting(2500);
    const ApiReply reply = apiGet(QStringLiteral("order/confirm_connect?uuid=x"));
    setApiTimeLimitForTesting(10000);
    stop = true;

    // A half body is no document, and a request cut off by the time limit reads as no answer at all.
    QVERIFY(reply.document.isNull());
    if (fault != QLatin1String("reset"))
        QCOMPARE(reply.body, QString());
}

void TestApiGet::anAnswerPastTheBoundIsCutOff_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("readWhole");
    QTest::newRow("the bound itself") << QString::number(kAnswerLimitBytes) << true;
    QTest::newRow("a byte past it") << QString::number(kAnswerLimitBytes + 1) << false;
    QTest::newRow("50 MiB, announced") << QStringLiteral("52428800") << false;
    QTest::newRow("without end") << QStringLiteral("endless") << false;
}

// An answer past the bound reads as none, and is cut off as soon as it shows: long before the time limit.
void TestApiGet::anAnswerPastTheBoundIsCutOff()
{
    QFETCH(QString, size);
    QFETCH(bool, readWhole);
    ServiceProcess service;
    QVERIFY(service.start({QStringLiteral("--flood"), size}));
    pointAt(service.port());
    QElapsedTimer clock;
    clock.start();
    const ApiReply reply = apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=1.0.4"));
    QVERIFY2(clock.elapsed() < 10000, "the answer was read until the time limit");
    QCOMPARE(reply.body.size(), readWhole ? int(kAnswerLimitBytes) : 0);
    QVERIFY(reply.document.isNull());
}

QTEST_GUILESS_MAIN(TestApiGet)
#include "tst_apiget.moc"
