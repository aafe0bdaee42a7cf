// The web profile cleanup: removing one path, the five targets in a home of the test's own, the Windows targets
// computed from a roaming folder, and the real engine: it keeps its cookies where the cleanup looks, and what a running
// engine holds open stays.

#include "app/webprofile.h"
#include "clientprocess.h"
#include "localhttpserver.h"
#include "platform/webprofiletargets.h"
#include "platform/win/profiletargets.h"
#include "updateprompt.h"
#include "workdir.h"
#include "xwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace {

bool fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}

// The file's inode, 0 when there is none.
ino_t inodeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

bool writeFile(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Everything under a folder, hidden entries included, as sorted relative paths.
QStringList treeOf(const QString &folder)
{
    QStringList entries;
    const QDir root(folder);
    const auto all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    for (const QFileInfo &entry : root.entryInfoList(all)) {
        entries << entry.fileName();
        if (entry.isDir() && !entry.isSymLink()) {
            for (const QString &inner : treeOf(entry.filePath()))
                entries << entry.fileName() + QLatin1Char('/') + inner;
        }
    }
    entries.sort();
    return entries;
}

// Points the profile locations at folders inside a test folder for the life of the object.
class ProfileEnvironment
{
public:
    explicit ProfileEnvironment(const QString &home)
        : home(home)
    {
        for (const char *name : kNames)
            m_saved << qgetenv(name);
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/cache home")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/data home")));
    }
    ~ProfileEnvironment()
    {
        for (int i = 0; i < 3; ++i)
            qputenv(kNames[i], m_saved[i]);
    }

    QString cacheFolder() const { return home + QStringLiteral("/cache home/nuvagame"); }
    QString profileFolder() const { return home + QStringLiteral("/data home/nuvagame/QtWebEngine/Default"); }

    const QString home;

private:
    static constexpr const char *kNames[3] = {"HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"};
    QList<QByteArray> m_saved;
};

} // namespace

class TestWebProfile : public QObject
{
    Q_OBJECT

private slots:
    void removingNothingAnswersFalse();
    void aFileIsRemoved();
    void nestedFoldersAreEmptiedFromTheInside();
    void aHiddenEntryKeepsItsFolders();
    void aLinkIsRemovedAndWhatItPointsToKept_data();
    void aLinkIsRemovedAndWhatItPointsToKept();
    void theTargetsFollowTheBrowserProfile();
    void theCleanupRemovesTheFiveTargetsAndNothingElse_data();
    void theCleanupRemovesTheFiveTargetsAndNothingElse();
    void anEntryThatCannotGoKeepsItsTargetAndTheRestStillGo();
    void aHomeWithNothingToCleanStaysAsItIs();
    void windowsTargetsLieBesideTheRoamingFolder();
    void aFolderThatCannotBeReadStaysAndTheRestGoes();
    void aPathOfFourThousandCharactersGoes();
    void aRunningEngineKeepsItsFilesAndTheNextStartRemovesThem();

private:
    QTemporaryDir m_dir;
};

void TestWebProfile::removingNothingAnswersFalse()
{
    QVERIFY(!removePathTree(QString()));
    QVERIFY(!removePathTree(m_dir.filePath(QStringLiteral("nothing-here"))));
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere")), m_dir.filePath(QStringLiteral("broken-link"))));
    QVERIFY(!removePathTree(m_dir.filePath(QStringLiteral("broken-link"))));
}

void TestWebProfile::aFileIsRemoved()
{
    const QString file = m_dir.filePath(QStringLiteral("Cookies"));
    QVERIFY(writeFile(file));
    QVERIFY(removePathTree(file));
    QVERIFY(!QFileInfo::exists(file));
}

void TestWebProfile::nestedFoldersAreEmptiedFromTheInside()
{
    const QString cache = m_dir.filePath(QStringLiteral("cache"));
    for (const char *file : {"index", "Cache/data_1", "Cache/index-dir/the-real-index", "Code Cache/js/a/b/c"})
        QVERIFY(writeFile(cache + QLatin1Char('/') + QLatin1String(file)));
    QVERIFY(QDir().mkpath(cache + QStringLiteral("/empty/inner")));
    QVERIFY(removePathTree(cache));
    QVERIFY(!QFileInfo::exists(cache));
}

void TestWebProfile::aHiddenEntryKeepsItsFolders()
{
    const QString cache = m_dir.filePath(QStringLiteral("hidden-cache"));
    for (const char *file : {"index", "Cache/data_1", "Cache/inner/.lock", "Other/data"})
        QVERIFY(writeFile(cache + QLatin1Char('/') + QLatin1String(file)));
    QVERIFY(removePathTree(cache));
    QCOMPARE(treeOf(cache), (QStringList{"Cache", "Cache/inner", "Cache/inner/.lock"}));
}

void TestWebProfile::aLinkIsRemovedAndWhatItPointsToKept_data()
{
    QTest::addColumn<QString>("linkInTree");
    QTest::addColumn<bool>("targetIsFolder");
    QTest::newRow("folder link inside") << QStringLiteral("GPUCache/elsewhere") << true;
    QTest::newRow("file link inside") << QStringLiteral("GPUCache/data_0") << false;
    QTest::newRow("the target itself a link") << QStringLiteral("GPUCache") << true;
}

void TestWebProfile::aLinkIsRemovedAndWhatItPointsToKept()
{
    QFETCH(QString, linkInTree);
    QFETCH(bool, targetIsFolder);
    QTemporaryDir scratch;
    const QString outside = scratch.filePath(QStringLiteral("outside"));
    const QStringList outsideFiles{"keep-1", "deeper/keep-2", "deeper/.keep-3"};
    for (const QString &file : outsideFiles)
        QVERIFY(writeFile(outside + QLatin1Char('/') + file));
    const QString linkTarget = targetIsFolder ? outside : outside + QStringLiteral("/keep-1");
    const QString target = scratch.filePath(QStringLiteral("GPUCache"));
    if (linkInTree != QLatin1String("GPUCache"))
        QVERIFY(writeFile(target + QStringLiteral("/index")));
    QVERIFY(QFile::link(linkTarget, scratch.filePath(linkInTree)));

    QVERIFY(removePathTree(target));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(!QFileInfo(scratch.filePath(linkInTree)).isSymLink());
    QCOMPARE(treeOf(outside), (QStringList{"deeper", "deeper/.keep-3", "deeper/keep-2", "keep-1"}));
}

void TestWebProfile::theTargetsFollowTheBrowserProfile()
{
    const ProfileEnvironment environment(m_dir.path());
    QCOMPARE(webProfileTargets(),
        (QStringList{environment.cacheFolder(), environment.profileFolder() + "/GPUCache",
            environment.profileFolder() + "/Cookies", environment.profileFolder() + "/Cookies-journal",
            environment.profileFolder() + "/Visited Links"}));

    // Unset, the XDG folders are those of the home folder, as for the browser.
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_DATA_HOME");
    const QString home = m_dir.path();
    QCOMPARE(webProfileTargets(),
        (QStringList{home + "/.cache/nuvagame", home + "/.local/share/nuvagame/QtWebEngine/Default/GPUCache",
            home + "/.local/share/nuvagame/QtWebEngine/Default/Cookies",
            home + "/.local/share/nuvagame/QtWebEngine/Default/Cookies-journal",
            home + "/.local/share/nuvagame/QtWebEngine/Default/Visited Links"}));
}

void TestWebProfile::theCleanupRemovesTheFiveTargetsAndNothingElse_data()
{
    QTest::addColumn<QString>("homeName");
    QTest::newRow("plain") << QStringLiteral("home");
    QTest::newRow("Chinese") << QStringLiteral("用户 张三");
}

void TestWebProfile::theCleanupRemovesTheFiveTargetsAndNothingElse()
{
    QFETCH(QString, homeName);
    const ProfileEnvironment environment(m_dir.filePath(homeName));
    const QString profile = environment.profileFolder();
    for (const QString &file : {environment.cacheFolder() + "/QtWebEngine/Default/Cache/data_1",
             environment.cacheFolder() + "/其他/数据", profile + "/GPUCache/data_0", profile + "/Cookies",
             profile + "/Cookies-journal", profile + "/Visited Links", profile + "/Local Storage/leveldb/000003.log",
             profile + "/Network Persistent State", profile + "/user_prefs.json",
             environment.home + "/cache home/other-program/data"})
        QVERIFY(writeFile(file));

    clearWebProfile();

    QVERIFY(!QFileInfo::exists(environment.cacheFolder()));
    QCOMPARE(treeOf(profile),
        (QStringList{"Local Storage", "Local Storage/leveldb", "Local Storage/leveldb/000003.log",
            "Network Persistent State", "user_prefs.json"}));
    QVERIFY(QFileInfo::exists(environment.home + "/cache home/other-program/data"));
}

void TestWebProfile::anEntryThatCannotGoKeepsItsTargetAndTheRestStillGo()
{
    const ProfileEnvironment environment(m_dir.filePath(QStringLiteral("stuck")));
    const QString profile = environment.profileFolder();
    for (const QString &file : {environment.cacheFolder() + "/index", profile + "/GPUCache/data_0",
             profile + "/Cookies", profile + "/Cookies-journal", profile + "/Visited Links"})
        QVERIFY(writeFile(file));
    // A named pipe is no file, folder or link to the listing, so it stays, and with it the folder that holds it.
    const QString pipe = environment.cacheFolder() + QStringLiteral("/pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    clearWebProfile();

    QCOMPARE(treeOf(environment.cacheFolder()), QStringList{"pipe"});
    QCOMPARE(treeOf(profile), QStringList());
}

void TestWebProfile::aHomeWithNothingToCleanStaysAsItIs()
{
    const ProfileEnvironment environment(m_dir.filePath(QStringLiteral("fresh")));
    QVERIFY(QDir().mkpath(environment.home));
    clearWebProfile();
    QCOMPARE(treeOf(environment.home), QStringList());
}

void TestWebProfile::aFolderThatCannotBeReadStaysAndTheRestGoes()
{
    QTemporaryDir scratch;
    const QString cache = scratch.filePath(QStringLiteral("cache"));
    for (const char *file : {"index", "locked/inside", "open/data"})
        QVERIFY(writeFile(cache + QLatin1Char('/') + QLatin1String(file)));
    QVERIFY(QFile::setPermissions(cache + QStringLiteral("/locked"), QFileDevice::Permissions()));

    // Root reads every folder, so the removal runs as an ordinary user, the owner of the tree.
    const uid_t nobody = 65534;
    bool removed = false;
    if (::geteuid() == 0) {
        const QStringList owned = treeOf(scratch.path()) << QString();
        for (const QString &path : owned)
            QCOMPARE(::lchown(QFile::encodeName(scratch.filePath(path)).constData(), nobody, nobody), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
            ::_exit(dropped && removePathTree(cache) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        removed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    } else {
        removed = removePathTree(cache);
    }
    QVERIFY(removed);
    QVERIFY(QFile::setPermissions(
        cache + QStringLiteral("/locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(treeOf(cache), (QStringList{"locked", "locked/inside"}));
}

void TestWebProfile::aPathOfFourThousandCharactersGoes()
{
    QTemporaryDir scratch;
    QString deepest = scratch.filePath(QStringLiteral("cache"));
    const QString level = QString(200, QLatin1Char('d'));
    while (deepest.size() + level.size() + 1 < 3900)
        deepest += QLatin1Char('/') + level;
    QVERIFY(QDir().mkpath(deepest));
    const QString file = deepest + QLatin1Char('/') + QString(3999 - deepest.size(), QLatin1Char('f'));
    QCOMPARE(file.size(), 4000);
    QVERIFY(writeFile(file));

    QVERIFY(removePathTree(scratch.filePath(QStringLiteral("cache"))));
    QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("cache"))));
}

void TestWebProfile::windowsTargetsLieBesideTheRoamingFolder()
{
    const std::wstring root = L"C:\\Users\\张三\\AppData\\Local\\nuvagame";
    const std::vector<std::wstring> expected{root + L"\\cache", root + L"\\QtWebEngine\\Default\\GPUCache",
        root + L"\\QtWebEngine\\Default\\Cookies", root + L"\\QtWebEngine\\Default\\Cookies-journal",
        root + L"\\QtWebEngine\\Default\\Visited Links"};
    QVERIFY(profileTargetsBeside(L"C:\\Users\\张三\\AppData\\Roaming") == expected);
    QVERIFY(profileTargetsBeside(L"Roaming").empty());
    QVERIFY(profileTargetsBeside(std::wstring()).empty());
}

void TestWebProfile::aRunningEngineKeepsItsFilesAndTheNextStartRemovesThem()
{
    QVERIFY(XWindows::serverReachable());
    // The front end and the API where the client built for tests looks for them.
    std::atomic<bool> offerUpdate{false};
    LocalHttpServer service;
    service.server().Get("/", [](const httplib::Request &, httplib::Response &response) {
        response.set_header("Set-Cookie", "nuvatest=kept-between-runs; Max-Age=3600; Path=/");
        // It reports once loaded, then asks the client for its version every 100 ms and reports each answer.
        response.set_content("<html><body><script src=\"qrc:///qtwebchannel/qwebchannel.js\"></script><script>"
                             "fetch('/loaded');"
                             "new QWebChannel(qt.webChannelTransport, function (channel) {"
                             "  (function ask() { channel.objects.VueDialog.getClientVersion(function () {"
                             "    fetch('/answered').then(function () { setTimeout(ask, 100); }); }); })();"
                             "});</script></body></html>",
            "text/html");
    });
    const auto noContent = [](const httplib::Request &, httplib::Response &response) { response.status = 204; };
    for (const char *report : {"/loaded", "/answered"})
        service.server().Get(report, noContent);
    service.server().Get("/gpfe/api/clientversion/get_latest_version",
        [&offerUpdate](const httplib::Request &, httplib::Response &response) {
            // A non-web address: the prompt then opens nothing.
            response.set_content(
                offerUpdate ? R"({"data":{"downloadUrl":"file:///nowhere"}})" : R"({"data":{}})", "application/json");
        });
    QVERIFY(service.startOn(NUVA_TEST_SERVICE_HOST, 8081));

    TestWorkDir workDir;
    ClientHome home;
    const QString cookies = home.profileFolder() + QStringLiteral("/Cookies");
    {
        ClientProcess client(home);
        QVERIFY(client.start(workDir.path()));
        QTRY_VERIFY2_WITH_TIMEOUT(
            service.count(QStringLiteral("/loaded")) > 0, client.log().right(2000).constData(), 90000);
        const std::optional<uint32_t> window = client.mappedWindow(10000);
        QVERIFY(window);

        // A second start meanwhile clears the profile too, but what the running engine holds open stays: the very
        // same files, not new ones written since.
        const QStringList held{cookies, home.profileFolder() + QStringLiteral("/GPUCache/index"),
            home.profileFolder() + QStringLiteral("/Visited Links")};
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(held.begin(), held.end(), fileExists), 30000);
        QList<ino_t> inodes;
        for (const QString &file : held)
            inodes << inodeOf(file);
        ClientProcess second(home);
        QVERIFY(second.start(workDir.path()));
        QVERIFY2(second.endsWithZero(), second.log().right(2000).constData());
        for (int i = 0; i < held.size(); ++i)
            QVERIFY2(inodeOf(held[i]) == inodes[i], qPrintable(held[i]));
        const int answered = service.count(QStringLiteral("/answered"));
        QTRY_VERIFY_WITH_TIMEOUT(service.count(QStringLiteral("/answered")) > answered + 2, 10000);

        // Closed like a user closes it, so that the engine shuts down in order and writes its cookies out.
        QVERIFY2(client.closeWindow(*window), client.log().right(2000).constData());
    }
    QFile store(cookies);
    QVERIFY2(store.open(QIODevice::ReadOnly), qPrintable(treeOf(home.path()).join(QLatin1Char('\n'))));
    QVERIFY(store.readAll().contains("kept-between-runs"));
    store.close();
    QVERIFY(QFileInfo(home.cacheHome() + QStringLiteral("/nuvagame")).isDir());

    // The next start clears the profile first and, offered an update, ends before the engine starts again.
    offerUpdate = true;
    ClientProcess next(home);
    QVERIFY(next.start(workDir.path()));
    QVERIFY2(dismissUpdatePrompt(next.process, PromptDismissal::CloseButton), next.log().right(2000).constData());
    QVERIFY(next.endsWithZero());
    QVERIFY(!QFileInfo::exists(cookies));
    QVERIFY(!QFileInfo::exists(home.cacheHome() + QStringLiteral("/nuvagame")));
    for (const char *entry : {"GPUCache", "Cookies-journal", "Visited Links"})
        QVERIFY2(!QFileInfo::exists(home.profileFolder() + QLatin1Char('/') + QLatin1String(entry)), entry);
}

QTEST_GUILESS_MAIN(TestWebProfile)
#include "tst_webprofile.moc"
