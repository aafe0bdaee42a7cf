// The client's own code as a Windows program, under Wine: the single-instance guard over a named pipe, the viewer's
// probe, launch and kill, with real processes, and the decision on the service's certificates. The programs it starts
// lie beside it (see CMakeLists.txt).

#include "api/certificatename.h"
#include "api/servicetrust.h"
#include "app/webprofile.h"
#include "bridge/viewerlaunch.h"
#include "certificatecases.h"
#include "launchcases.h"
#include "lockcheck.h"
#include "platform/processes.h"
#include "testserviceaddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

#include <wincrypt.h>

namespace {

const QString kServerName = QStringLiteral("NUVAB_GAME_WINDOWS_CLIENT_0755");

// A start of the guard program, ended when the object goes.
struct GuardStart
{
    explicit GuardStart(const QStringList &arguments = {})
    {
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/nuvaguard.exe"), arguments);
    }
    ~GuardStart()
    {
        process.kill();
        process.waitForFinished(10000);
    }
    // Waits (bounded) until it has said line.
    bool says(const QByteArray &line)
    {
        return QTest::qWaitFor(
            [this, &line] {
                output += process.readAllStandardOutput();
                return output.contains(line);
            },
            20000);
    }
    // Waits (bounded) for its end, which may have been seen already, and tells whether it ended with 0.
    bool endsWithZero()
    {
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(20000))
            return false;
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QProcess process;
    QByteArray output;
};

// The arguments each viewer started since the file was made wrote to its record.
QList<QStringList> recordedStarts(const QString &record)
{
    QList<QStringList> starts;
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return starts;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            starts << QJsonDocument::fromJson(line).object().value(QStringLiteral("args")).toVariant().toStringList();
    }
    return starts;
}

const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The user's roaming folder as the shell's registry keeps it; empty when it holds none.
QString roamingFolderSetting()
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
            nullptr, value, &size)
        != ERROR_SUCCESS)
        return QString();
    return QString::fromWCharArray(value);
}

bool setRoamingFolderSetting(const QString &folder)
{
    const std::wstring value = folder.toStdWString();
    return RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"AppData", REG_EXPAND_SZ, value.c_str(),
               DWORD((value.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

// The certificates of a PEM file of the TLS material that tools/windows-check.sh made (NUVA_TLS_CASES).
QList<QSslCertificate> casesFile(const QString &name)
{
    return QSslCertificate::fromPath(
        qEnvironmentVariable("NUVA_TLS_CASES") + QLatin1Char('/') + name + QStringLiteral(".pem"));
}

// Puts the authority into the user's store of trusted roots, as an administrator or a company's software would; the
// prefix is the test's own. Later programs in it (the TLS update check) find it there too.
bool trustSystemWide(const QSslCertificate &authority)
{
    const QByteArray der = authority.toDer();
    HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
    const bool added = roots
        && CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, reinterpret_cast<const BYTE *>(der.constData()),
            DWORD(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (roots)
        CertCloseStore(roots, 0);
    return added;
}

bool makeFile(const QString &path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class TestWindowsQt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aLaterStartWritesItsLastArgumentAndEnds();
    void aLaterStartShowsTheFirstWindow();
    void aStartAfterAKilledInstanceListensAgain();
    void theGuardsLockIsHeldByOneAtATime();
    void theProbeSeesARunningViewerOnly();
    void theViewerGetsTheParametersWords_data();
    void theViewerGetsTheParametersWords();
    void theKillByImageNameEndsTheViewer();
    void theProfileCleanupFindsTheUsersFolderThroughTheShell();
    void thePagesCertificateDecision_data();
    void thePagesCertificateDecision();
    void aCertificateIsForItsOwnNamesAlone_data();
    void aCertificateIsForItsOwnNamesAlone();

private:
    QTemporaryDir m_scratch;
};

void TestWindowsQt::initTestCase()
{
    // The client starts the viewer relative to its working directory.
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    QVERIFY(QFile::exists(QStringLiteral("nuvaview/nuvaview.exe")));
    // Before any chain is built: Wine's chain engine reads the roots once, at its first use.
    QVERIFY(trustSystemWide(casesFile(QStringLiteral("system")).value(0)));
}

void TestWindowsQt::aLaterStartWritesItsLastArgumentAndEnds()
{
    QLocalServer running;
    QVERIFY(running.listen(kServerName));
    GuardStart later({QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY(running.waitForNewConnection(20000));
    QLocalSocket *knock = running.nextPendingConnection();
    QByteArray sent;
    QVERIFY(QTest::qWaitFor(
        [knock, &sent] {
            sent += knock->readAll();
            return knock->state() == QLocalSocket::UnconnectedState || sent.size() >= 1;
        },
        20000));
    QVERIFY(later.endsWithZero());
    sent += knock->readAll();
    QCOMPARE(sent, QByteArray("b"));
}

void TestWindowsQt::aLaterStartShowsTheFirstWindow()
{
    GuardStart first;
    QVERIFY2(first.says("listening"), first.output.constData());
    QVERIFY(!first.output.contains("shown"));
    GuardStart later({QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY(later.endsWithZero());
    QVERIFY2(first.says("shown"), first.output.constData());
}

void TestWindowsQt::aStartAfterAKilledInstanceListensAgain()
{
    {
        GuardStart killed;
        QVERIFY(killed.says("listening"));
    }
    GuardStart next;
    QVERIFY2(next.says("listening"), next.output.constData());
    GuardStart later;
    QVERIFY(later.endsWithZero());
    QVERIFY(next.says("shown"));
}

void TestWindowsQt::theGuardsLockIsHeldByOneAtATime()
{
    QVERIFY(lockIsHeldByOneAtATime(m_scratch.filePath(QStringLiteral("x.lock"))));
}

void TestWindowsQt::theProbeSeesARunningViewerOnly()
{
    const QString none = listProcessesByImageName(viewerImageName());
    QVERIFY2(!none.contains(QLatin1String("PID")) && none.contains(QLatin1String("INFO")), qPrintable(none));

    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");
    IsolatedProcess viewer;
    startViewer(viewer, QStringLiteral("demo order-1"));
    QCOMPARE(viewer.state(), QProcess::Running);
    const QString running = listProcessesByImageName(viewerImageName());
    QVERIFY2(running.contains(QLatin1String("PID")) && running.contains(QLatin1String("nuvaview.exe"))
            && running.contains(QString::number(viewer.processId())),
        qPrintable(running));
    viewer.kill();
    QVERIFY(viewer.waitForFinished(10000));
}

void TestWindowsQt::theViewerGetsTheParametersWords_data()
{
    QTest::addColumn<QString>("param");
    QTest::addColumn<QStringList>("arguments");
    for (const LaunchCase &launch : launchCases())
        QTest::newRow(launch.name) << launch.param << launch.arguments;
}

void TestWindowsQt::theViewerGetsTheParametersWords()
{
    QFETCH(QString, param);
    QFETCH(QStringList, arguments);
    const QString record = m_scratch.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'));
    qputenv("NUVAVIEW_RECORD", QFile::encodeName(QDir::toNativeSeparators(record)));
    qputenv("NUVAVIEW_SCRIPT", "exit:0");
    IsolatedProcess viewer;
    startViewer(viewer, param);
    QVERIFY(viewer.waitForFinished(20000));
    QCOMPARE(recordedStarts(record), QList<QStringList>{arguments});
}

void TestWindowsQt::theKillByImageNameEndsTheViewer()
{
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");
    IsolatedProcess viewer;
    startViewer(viewer, QStringLiteral("demo order-1"));
    QCOMPARE(viewer.state(), QProcess::Running);
    killProcessesByImageName(viewerImageName());
    // The kill waits for its end; the process object learns of it at its next look.
    QVERIFY(viewer.waitForFinished(5000));
    QVERIFY(!listProcessesByImageName(viewerImageName()).contains(QLatin1String("PID")));
}

// A user whose folder has a Chinese name: the shell's registry is pointed there for the test, as the system does for
// every user.
void TestWindowsQt::theProfileCleanupFindsTheUsersFolderThroughTheShell()
{
    const QString user = QDir::toNativeSeparators(m_scratch.filePath(QStringLiteral("张三")));
    const QString previous = roamingFolderSetting();
    QVERIFY(setRoamingFolderSetting(user + QStringLiteral("\\AppData\\Roaming")));
    const auto restore = qScopeGuard([&previous] { setRoamingFolderSetting(previous); });
    const QString root = user + QStringLiteral("\\AppData\\Local\\nuvagame");
    const QString profile = root + QStringLiteral("\\QtWebEngine\\Default");
    const QStringList targets{root + QStringLiteral("\\cache\\data_1"), profile + QStringLiteral("\\GPUCache\\index"),
        profile + QStringLiteral("\\Cookies"), profile + QStringLiteral("\\Cookies-journal"),
        profile + QStringLiteral("\\Visited Links")};
    for (const QString &file : targets)
        QVERIFY(makeFile(file));
    const QString hidden = root + QStringLiteral("\\cache\\index-dir");
    const QString kept = profile + QStringLiteral("\\Preferences");
    QVERIFY(makeFile(hidden) && makeFile(kept));
    QVERIFY(SetFileAttributesW(reinterpret_cast<const wchar_t *>(hidden.utf16()), FILE_ATTRIBUTE_HIDDEN));

    clearWebProfile();
    for (const QString &file : targets.mid(1))
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    QVERIFY(!QFileInfo::exists(profile + QStringLiteral("\\GPUCache")));
    QVERIFY(!QFileInfo::exists(targets.first()));
    // The hidden entry stays, and with it its folder; what is no target stays too.
    QVERIFY(QFileInfo::exists(hidden));
    QVERIFY(QFileInfo::exists(kept));
}

void TestWindowsQt::thePagesCertificateDecision_data()
{
    QTest::addColumn<QString>("chain");
    QTest::addColumn<bool>("trusted");
    for (const ChainCase &chain : chainCases())
        QTest::newRow(chain.file) << QString::fromLatin1(chain.file) << chain.trusted;
}

// Schannel's own verification of a certificate does nothing at all; the client's decides, and the system's roots
// play no part in it.
void TestWindowsQt::thePagesCertificateDecision()
{
    QFETCH(QString, chain);
    QFETCH(bool, trusted);
    const QList<QSslCertificate> pinned = casesFile(QStringLiteral("../authority"));
    const QList<QSslCertificate> certificates = casesFile(chain);
    QVERIFY(!pinned.isEmpty() && !certificates.isEmpty());
    setTestServiceTrust(QStringLiteral("https"), pinned.first().toPem());
    QCOMPARE(isTrustedServiceChain(certificates, kChainCaseHost), trusted);
}

void TestWindowsQt::aCertificateIsForItsOwnNamesAlone_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("matches");
    for (const NameCase &name : nameCases())
        QTest::newRow(name.name) << QString::fromLatin1(name.file) << name.host << name.matches;
}

// The names are read by Qt's own parser in a build with Schannel, by OpenSSL's in one with OpenSSL.
void TestWindowsQt::aCertificateIsForItsOwnNamesAlone()
{
    QFETCH(QString, file);
    QFETCH(QString, host);
    QFETCH(bool, matches);
    const QList<QSslCertificate> certificates = casesFile(file);
    QVERIFY(!certificates.isEmpty());
    QCOMPARE(certificateNamesHost(certificates.first(), host), matches);
}

QTEST_MAIN(TestWindowsQt)
#include "tst_windows_qt.moc"
