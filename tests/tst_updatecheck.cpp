// The update check: the prompt and every way of dismissing it in process, the answers that offer nothing against a
// test server, and an offer against the built client, which must end before its window is ever shown.

#include "app/updatecheck.h"
#include "clientprocess.h"
#include "localhttpserver.h"
#include "serviceprocess.h"
#include "testserviceaddress.h"
#include "updateprompt.h"
#include "workdir.h"
#include "xwindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

Q_DECLARE_METATYPE(PromptDismissal)

namespace {

const char kVersionPath[] = "/gpfe/api/clientversion/get_latest_version";

// Collects the debug lines written while it exists and passes every message on.
class DebugLines
{
public:
    DebugLines()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&DebugLines::handle);
    }
    ~DebugLines()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg)
            s_current->lines << message;
        s_current->m_previous(type, context, message);
    }
    static inline DebugLines *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

// Runs action on the update prompt as soon as it is up. Should the action not close it, the prompt is closed with a
// result other than Ok after a while, so a failing test ends instead of waiting for a user.
class PromptWatcher : public QObject
{
public:
    explicit PromptWatcher(std::function<void(QMessageBox *)> action)
        : m_action(std::move(action))
    {
        connect(&m_timer, &QTimer::timeout, this, &PromptWatcher::look);
        m_timer.start(20);
    }

private:
    void look()
    {
        auto *prompt = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!prompt || !prompt->isVisible())
            return;
        m_timer.stop();
        m_action(prompt);
        QTimer::singleShot(5000, prompt, [prompt] { prompt->done(-1); });
    }

    std::function<void(QMessageBox *)> m_action;
    QTimer m_timer;
};

// A stand-in for the desktop's URL handler, found first on the client's PATH: it records what it was given.
class RecordingOpener
{
public:
    explicit RecordingOpener(const ClientHome &home)
        : m_bin(home.path() + QStringLiteral("/bin"))
        , m_record(home.path() + QStringLiteral("/opened.txt"))
    {
        QDir().mkpath(m_bin);
        QFile script(m_bin + QStringLiteral("/xdg-open"));
        if (script.open(QIODevice::WriteOnly))
            script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$NUVA_TEST_OPENED\"\n");
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void install(QProcessEnvironment &environment) const
    {
        environment.insert(QStringLiteral("PATH"), m_bin + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
        environment.insert(QStringLiteral("NUVA_TEST_OPENED"), m_record);
    }

    QByteArray opened() const
    {
        QFile record(m_record);
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    }

private:
    QString m_bin;
    QString m_record;
};

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void thePromptAnnouncesTheNewVersion();
    void everyWayOfDismissingThePromptAnswersOk_data();
    void everyWayOfDismissingThePromptAnswersOk();
    void anAnswerWithoutAnOfferLetsStartUpGoOn_data();
    void anAnswerWithoutAnOfferLetsStartUpGoOn();
    void anUnreachableServiceLetsStartUpGoOn();
    void anOfferOpensTheDownloadAndEndsTheStart_data();
    void anOfferOpensTheDownloadAndEndsTheStart();
    void anOfferOfANonWebAddressOpensNothingAndStillEnds();
};

void TestUpdateCheck::thePromptAnnouncesTheNewVersion()
{
    QString title, text, buttonText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool hasParent = true;
    PromptWatcher watcher([&](QMessageBox *prompt) {
        title = prompt->windowTitle();
        text = prompt->text();
        icon = prompt->icon();
        buttonCount = prompt->buttons().size();
        buttonText = prompt->button(QMessageBox::Ok) ? prompt->button(QMessageBox::Ok)->text() : QString();
        hasParent = prompt->parentWidget() != nullptr;
        prompt->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(showUpdatePrompt(), int(QMessageBox::Ok));
    QCOMPARE(title, QStringLiteral("更新提示"));
    QCOMPARE(text, QStringLiteral("发现新的版本，请及时下载更新！"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttonCount, 1);
    QCOMPARE(buttonText, QStringLiteral("去下载"));
    QVERIFY(!hasParent);
}

void TestUpdateCheck::everyWayOfDismissingThePromptAnswersOk_data()
{
    QTest::addColumn<QString>("way");
    for (const char *way : {"button", "Enter", "Escape", "title bar close"})
        QTest::newRow(way) << QString::fromLatin1(way);
}

void TestUpdateCheck::everyWayOfDismissingThePromptAnswersOk()
{
    QFETCH(QString, way);
    PromptWatcher watcher([way](QMessageBox *prompt) {
        if (way == QLatin1String("button")) {
            QTest::mouseClick(prompt->button(QMessageBox::Ok), Qt::LeftButton);
        } else if (way == QLatin1String("Enter")) {
            QTest::keyClick(prompt, Qt::Key_Return);
        } else if (way == QLatin1String("Escape")) {
            QTest::keyClick(prompt, Qt::Key_Escape);
        } else {
            QCloseEvent close;
            QApplication::sendEvent(prompt, &close);
        }
    });
    QCOMPARE(showUpdatePrompt(), int(QMessageBox::Ok));
}

void TestUpdateCheck::anAnswerWithoutAnOfferLetsStartUpGoOn_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("no data") << QByteArray(R"({"code":0,"msg":"ok"})") << 200;
    QTest::newRow("data empty") << QByteArray(R"({"code":0,"data":{}})") << 200;
    QTest::newRow("data a string") << QByteArray(R"({"data":"http://127.0.0.1/new.exe"})") << 200;
    QTest::newRow("data a number") << QByteArray(R"({"data":105})") << 200;
    QTest::newRow("data null") << QByteArray(R"({"data":null})") << 200;
    QTest::newRow("JSON array") << QByteArray(R"([{"data":{"downloadUrl":"http://127.0.0.1/new.exe"}}])") << 200;
    QTest::newRow("empty body") << QByteArray() << 200;
    QTest::newRow("HTML page") << QByteArray("<html><body>502 Bad Gateway</body></html>") << 502;
}

void TestUpdateCheck::anAnswerWithoutAnOfferLetsStartUpGoOn()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    LocalHttpServer service;
    service.server().Get(kVersionPath, [body, status](const httplib::Request &, httplib::Response &response) {
        response.status = status;
        response.set_content(body.toStdString(), "application/json");
    });
    QVERIFY(service.start());
    setTestServiceAddress(QStringLiteral("127.0.0.1"), service.port(), service.port());

    // A prompt here would end this process once dismissed, so one showing up stops the test loudly instead.
    PromptWatcher watcher([](QMessageBox *) { qFatal("the update prompt was shown for an answer without an offer"); });
    DebugLines debug;
    runUpdateCheck();

    QCOMPARE(service.count(QString::fromLatin1(kVersionPath) + QStringLiteral("?clientType=pc&versionNo=1.0.4")), 1);
    // The body as the debug log renders any text: quoted, so that no answer can forge log lines.
    QString expected;
    QDebug(&expected) << "version check" << QString::fromUtf8(body);
    expected = expected.trimmed(); // a string stream keeps the separator that the log drops
    QVERIFY2(debug.lines.contains(expected), qPrintable(debug.lines.join(QLatin1Char('\n'))));
}

void TestUpdateCheck::anUnreachableServiceLetsStartUpGoOn()
{
    const int closedPort = closedLoopbackPort();
    setTestServiceAddress(QStringLiteral("127.0.0.1"), closedPort, closedPort);
    PromptWatcher watcher([](QMessageBox *) { qFatal("the update prompt was shown without a service"); });
    DebugLines debug;
    runUpdateCheck();
    QVERIFY(debug.lines.contains(QStringLiteral("version check \"\"")));
}

void TestUpdateCheck::anOfferOpensTheDownloadAndEndsTheStart_data()
{
    QTest::addColumn<PromptDismissal>("dismissal");
    QTest::newRow("Escape") << PromptDismissal::Escape;
    QTest::newRow("title bar close") << PromptDismissal::CloseButton;
}

void TestUpdateCheck::anOfferOpensTheDownloadAndEndsTheStart()
{
    QFETCH(PromptDismissal, dismissal);
    const QString download = QStringLiteral("http://127.0.0.1:9/downloads/nuvagame-setup-1.0.5.exe");
    ServiceProcess service;
    QVERIFY(service.startForTestClient({QStringLiteral("--offer-update"), download}));
    TestWorkDir workDir;
    ClientHome home;
    RecordingOpener opener(home);
    ClientProcess client(home);
    opener.install(client.environment);

    XWindows::MapRecorder maps;
    QVERIFY(client.start(workDir.path()));
    const std::optional<uint32_t> prompt = dismissUpdatePrompt(client.process, dismissal);
    QVERIFY2(prompt.has_value(), client.log().right(2000).constData());
    QVERIFY2(client.endsWithZero(), client.log().right(2000).constData());

    QTRY_COMPARE_WITH_TIMEOUT(opener.opened(), download.toUtf8() + '\n', 10000);
    // The prompt was the only window: the main window was never shown.
    for (const uint32_t window : maps.mapped())
        QCOMPARE(window, *prompt);
    QVERIFY(client.log().contains("version check"));
}

void TestUpdateCheck::anOfferOfANonWebAddressOpensNothingAndStillEnds()
{
    ServiceProcess service;
    QVERIFY(service.startForTestClient({QStringLiteral("--offer-update"), QStringLiteral("file:///etc/passwd")}));
    TestWorkDir workDir;
    ClientHome home;
    RecordingOpener opener(home);
    ClientProcess client(home);
    opener.install(client.environment);

    QVERIFY(client.start(workDir.path()));
    QVERIFY2(dismissUpdatePrompt(client.process, PromptDismissal::Escape).has_value(), client.log().constData());
    QVERIFY2(client.endsWithZero(), client.log().right(2000).constData());
    QVERIFY(client.log().contains("refused to open \"file:///etc/passwd\""));
    // A handler would have been started before the client ended; give it the time to write.
    QTest::qWait(500);
    QCOMPARE(opener.opened(), QByteArray());
}

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
