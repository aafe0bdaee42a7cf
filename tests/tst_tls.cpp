// The service over TLS. A client built for https with an authority of the tests' own pinned (made at build time)
// meets the stand-in service serving certificates that the test makes with openssl; the API requests are also tried
// in process against an authority the process trusts otherwise.

#include "api/apiget.h"
#include "certificatecases.h"
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
    // The material of certificatecases.h, with the tests' pinned authority.
    bool cases()
    {
        return make({QStringLiteral("cases"), m_dir.path(), QStringLiteral(NUVA_TLS_AUTHORITY), kChainCaseHost});
    }
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

// Whether this machine lets the test give a process a mount namespace of its own, where the system's store of
// authorities can be replaced for that process alone.
bool canReplaceTheSystemStore()
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("--mount"), QStringLiteral("--"), QStringLiteral("true")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

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
    void onlyAChainOfThePinnedAuthorityReachesTheService_data();
    void onlyAChainOfThePinnedAuthorityReachesTheService();
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

void TestTls::onlyAChainOfThePinnedAuthorityReachesTheService_data()
{
    QTest::addColumn<QString>("chain");
    QTest::addColumn<bool>("trusted");
    for (const ChainCase &chain : chainCases())
        QTest::newRow(chain.file) << QString::fromLatin1(chain.file) << chain.trusted;
}

// Every chain meets a client whose system store of authorities (/etc/ssl/certs, in a mount namespace of its own) holds
// the "system" authority, as a company's inspecting proxy or any local root would be added to it.
void TestTls::onlyAChainOfThePinnedAuthorityReachesTheService()
{
    QFETCH(QString, chain);
    QFETCH(bool, trusted);
    static const bool systemStore = canReplaceTheSystemStore();
    if (!systemStore && chain == QLatin1String("system-authority"))
        QSKIP("unshare --mount fails here, so the system's store of authorities cannot be replaced for the client");
    Certificates certificates;
    QVERIFY(certificates.cases());
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage("fetch('/page/loaded');", certificates.serviceOptions(chain)));
    TestWorkDir workDir;
    ClientHome home;
    TlsClient client(home);
    QStringList inNamespace;
    if (systemStore) {
        inNamespace = QStringList{"--mount", "--", "sh", "-c", "mount --bind \"$0\" /etc/ssl/certs && exec \"$1\"",
            certificates.path(QStringLiteral("system-store")), client.program};
        client.program = QStringLiteral("unshare");
    }
    QVERIFY(client.start(workDir.path(), inNamespace));

    if (trusted) {
        QTRY_VERIFY2_WITH_TIMEOUT(
            service.log().contains("GET /gpfe/api/clientversion") && service.log().contains("GET /page/loaded"),
            (service.log() + client.log()).right(3000).constData(), 90000);
    }
    // The update check comes before the window; a refused page fails at the handshake, before any request.
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(3000).constData());
    if (!trusted) {
        QTest::qWait(5000);
        QVERIFY2(!service.log().contains("GET "), service.log().constData());
    }
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
    // A pin that yields no certificate trusts nothing, the process's authorities included: nothing is even sent.
    setTestServiceTrust(
        QStringLiteral("https"), "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n");
    QCOMPARE(apiGet(kUpdateQuery).body, QString());
    // Requests are logged once answered, in order: the last one's line comes after any the pin above let through.
    setTestServiceTrust(QStringLiteral("https"), QByteArray());
    QVERIFY(apiGet(kUpdateQuery).body.contains("\"data\""));
    QTRY_VERIFY(service.log().count("GET /gpfe/api/clientversion") >= 3);
    QCOMPARE(service.log().count("GET /gpfe/api/clientversion"), 3);
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
