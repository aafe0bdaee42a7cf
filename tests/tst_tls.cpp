// The service over TLS. A client built for https with an authority of the tests' own pinned (made at build time)
// meets the stand-in service serving certificates that the test makes with openssl; the API requests are also tried
// in process against an authority the process trusts otherwise.

#include "api/apiget.h"
#include "clientprocess.h"
#include "serviceprocess.h"
#include "testserviceaddress.h"
#include "updateprompt.h"
#include "workdir.h"
#include "xwindows.h"

#include <QFile>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kUpdateQuery = QStringLiteral("clientversion/get_latest_version?version=1.0.4");

// Throw-away TLS material in a folder of its own, made by the project's script.
class Certificates
{
public:
    // A server certificate NAME for host, signed by authority (a path without .pem/.key).
    bool server(const QString &name, const QString &host, const QString &authority)
    {
        return make({QStringLiteral("server"), m_dir.path(), name, host, authority});
    }
    bool authority(const QString &name) { return make({QStringLiteral("authority"), m_dir.path(), name}); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The options that make the stand-in service serve the certificate NAME.
    QStringList serviceOptions(const QString &name) const
    {
        return {QStringLiteral("--cert"), path(name) + QStringLiteral(".pem"), QStringLiteral("--key"),
            path(name) + QStringLiteral(".key")};
    }

private:
    bool make(const QStringList &arguments)
    {
        QProcess script;
        script.start(QStringLiteral(NUVA_MAKE_CERTIFICATE), arguments);
        return script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    }

    QTemporaryDir m_dir;
};

QByteArray pemOf(const QString &path)
{
    QFile file(path + QStringLiteral(".pem"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The client built for https, pinned to the tests' authority.
class TlsClient : public ClientProcess
{
public:
    explicit TlsClient(const ClientHome &home)
        : ClientProcess(home)
    {
        program = QStringLiteral(NUVA_TLS_CLIENT_PATH);
        environment.insert(QStringLiteral("NUVAVIEW_SCRIPT"), QStringLiteral("exit:0"));
    }
};

} // namespace

class TestTls : public QObject
{
    Q_OBJECT

private slots:
    void aPinnedServiceServesThePageTheGameAndTheUpdate();
    void anotherAuthorityOrHostReachesNothing_data();
    void anotherAuthorityOrHostReachesNothing();
    void theApiTrustsThePinnedAuthorityAlone();
};

void TestTls::aPinnedServiceServesThePageTheGameAndTheUpdate()
{
    Certificates certificates;
    QVERIFY(certificates.server(QStringLiteral("service"), NUVA_TEST_SERVICE_HOST, NUVA_TLS_AUTHORITY));
    const QStringList tls = certificates.serviceOptions(QStringLiteral("service"));
    TestWorkDir workDir;
    ClientHome home;
    {
        ServiceProcess service;
        QVERIFY(service.startForTestClientWithPage(R"(
          bridge.getClientVersion(function (version) {
            fetch('/page/version/' + version);
            bridge.startGame('demo order-1 x', function () {});
          });)",
            tls));
        TlsClient client(home);
        QVERIFY(client.start(workDir.path()));
        // The page's report and the game's confirmation travel apart; the service logs each once answered.
        QTRY_VERIFY2_WITH_TIMEOUT(service.log().contains("GET /gpfe/api/order/confirm_connect?uuid=order-1 200")
                && service.log().contains("GET /page/version/1.0.4"),
            (service.log() + client.log()).right(3000).constData(), 90000);
        const std::optional<uint32_t> window = client.mappedWindow(10000);
        QVERIFY(window);
        QVERIFY(client.closeWindow(*window));
    }

    // A non-web address: the prompt is shown, and nothing opens.
    ServiceProcess offering;
    QVERIFY(offering.startForTestClient(
        QStringList{QStringLiteral("--offer-update"), QStringLiteral("file:///nowhere")} + tls));
    TlsClient next(home);
    QVERIFY(next.start(workDir.path()));
    QVERIFY2(dismissUpdatePrompt(next.process, PromptDismissal::Escape), next.log().right(2000).constData());
    QVERIFY(next.endsWithZero());
}

void TestTls::anotherAuthorityOrHostReachesNothing_data()
{
    QTest::addColumn<QString>("authority");
    QTest::addColumn<QString>("host");
    QTest::newRow("another authority") << QString() << QStringLiteral(NUVA_TEST_SERVICE_HOST);
    QTest::newRow("another host") << QStringLiteral(NUVA_TLS_AUTHORITY) << QStringLiteral("127.0.0.3");
}

void TestTls::anotherAuthorityOrHostReachesNothing()
{
    QFETCH(QString, authority);
    QFETCH(QString, host);
    Certificates certificates;
    if (authority.isEmpty()) {
        QVERIFY(certificates.authority(QStringLiteral("stranger")));
        authority = certificates.path(QStringLiteral("stranger"));
    }
    QVERIFY(certificates.server(QStringLiteral("service"), host, authority));
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage("fetch('/page/loaded');",
        QStringList{QStringLiteral("--offer-update"), QStringLiteral("http://127.0.0.1/setup.exe")}
            + certificates.serviceOptions(QStringLiteral("service"))));
    TestWorkDir workDir;
    ClientHome home;
    TlsClient client(home);
    QVERIFY(client.start(workDir.path()));

    // No offer was read, so the window opens; the page's load fails at the handshake, before any request.
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(3000).constData());
    QVERIFY(!XWindows::findMapped(QStringLiteral("更新提示")));
    QTest::qWait(3000);
    QVERIFY2(!service.log().contains("GET "), service.log().constData());
    QCOMPARE(client.process.state(), QProcess::Running);
    QVERIFY(client.closeWindow(*window));
}

// The process trusts another authority (added to its default configuration, as the system's would be); with the
// tests' authority pinned, a certificate of that other one is refused and the request reads as empty.
void TestTls::theApiTrustsThePinnedAuthorityAlone()
{
    Certificates certificates;
    QVERIFY(certificates.authority(QStringLiteral("trusted")));
    const QString trusted = certificates.path(QStringLiteral("trusted"));
    QVERIFY(certificates.server(QStringLiteral("service"), QStringLiteral("127.0.0.1"), trusted));
    ServiceProcess service;
    QVERIFY(service.start(certificates.serviceOptions(QStringLiteral("service"))));
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificates(QSslCertificate::fromData(pemOf(trusted)));
    QSslConfiguration::setDefaultConfiguration(trusting);
    setTestServiceAddress(QStringLiteral("127.0.0.1"), service.port(), service.port());

    setTestServiceTrust(QStringLiteral("https"), QByteArray());
    QVERIFY(apiGet(kUpdateQuery).body.contains("\"data\""));
    setTestServiceTrust(QStringLiteral("https"), pemOf(trusted));
    QVERIFY(apiGet(kUpdateQuery).body.contains("\"data\""));
    setTestServiceTrust(QStringLiteral("https"), pemOf(QStringLiteral(NUVA_TLS_AUTHORITY)));
    QCOMPARE(apiGet(kUpdateQuery).body, QString());
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
