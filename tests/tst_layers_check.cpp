// The layer check itself, run on a small tree laid out like the client's and held to the project's own rules: it must
// catch what the layers test exists for, or that test would pass whatever the code includes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool write(const QDir &root, const QString &path, const QByteArray &text)
{
    QFile file(root.filePath(path));
    return root.mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class TestLayerCheck : public QObject
{
    Q_OBJECT

private slots:
    void anIncludeTheRulesForbidIsNamedWithItsRule_data();
    void anIncludeTheRulesForbidIsNamedWithItsRule();
};

void TestLayerCheck::anIncludeTheRulesForbidIsNamedWithItsRule_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("include");
    QTest::addColumn<QString>("rule"); // how the rule that forbids it is named; empty where it is allowed

    QTest::newRow("the API includes the window")
        << "api/apiget.cpp" << QByteArray("#include \"window/vuedialog.h\"") << "api/ may include QtCore QtNetwork";
    QTest::newRow("the platform includes the bridge")
        << "platform/linux/processes_linux.cpp" << QByteArray("#include \"bridge/pagebridge.h\"")
        << "platform/ may include QtCore";
    const QString window = QStringLiteral("window/ may include QtCore QtGui QtWidgets api/ bridge/ platform/*.h");
    QTest::newRow("the window reaches into the Linux files")
        << "window/vuedialog.cpp" << QByteArray("#include \"platform/linux/procfs.h\"") << window;
    QTest::newRow("the window includes the engine by its lower-case header")
        << "window/vuedialog.cpp" << QByteArray("#include <qwebengineview.h>") << window;
    QTest::newRow("the window includes the engine by its module's path")
        << "window/vuedialog.h" << QByteArray("#include <QtWebEngineWidgets/QWebEngineView>") << window;
    QTest::newRow("the platform includes a private Qt header")
        << "platform/linux/procfs.cpp" << QByteArray("#include <private/qwidget_p.h>") << "platform/ may include QtCore";
    QTest::newRow("a .hpp header of the API includes a widget")
        << "api/reply.hpp" << QByteArray("#include <QWidget>") << "api/ may include QtCore QtNetwork";
    QTest::newRow("an .inl file of the API includes the window")
        << "api/reply.inl" << QByteArray("#include \"window/vuedialog.h\"") << "api/ may include QtCore QtNetwork";
    QTest::newRow("a C file of the platform includes the bridge")
        << "platform/linux/sockets.c" << QByteArray("#include \"bridge/pagebridge.h\"") << "platform/ may include QtCore";
    QTest::newRow("the API includes a Qt widget")
        << "api/apiget.h" << QByteArray("#include <QWidget>") << "api/ may include QtCore QtNetwork";
    QTest::newRow("the platform uses Qt's window-system interface")
        << "platform/hardwareaddress.cpp" << QByteArray("#include <qpa/qplatformwindow.h>")
        << "platform/ may include QtCore";
    QTest::newRow("a quoted include names no file")
        << "app/main.cpp" << QByteArray("#include \"gone.h\"") << "app/ may include";
    QTest::newRow("the guard uses its one platform header")
        << "single_instance/qsingletonapp.cpp" << QByteArray("#include \"platform/localserveraccess.h\"") << "";
    QTest::newRow("the Linux files use their neighbour beside them")
        << "platform/linux/processes_linux.cpp" << QByteArray("#include \"procfs.h\"") << "";
    QTest::newRow("the bridge uses the engine")
        << "bridge/vuedialog_bridge.cpp" << QByteArray("#include <QWebEnginePage>")
        << "bridge/ may include QtCore QtGui QtWidgets QtNetwork api/ window/ platform/*.h";
    QTest::newRow("the engine's folder uses the engine")
        << "engine/webpagehost.cpp" << QByteArray("#include <QWebEngineView>") << "";
}

void TestLayerCheck::anIncludeTheRulesForbidIsNamedWithItsRule()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, include);
    QFETCH(QString, rule);

    QTemporaryDir tree;
    QVERIFY(tree.isValid());
    const QDir root(tree.path());
    for (const char *folder : {"app", "window", "engine", "bridge", "single_instance", "api"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    for (const char *header :
        {"window/vuedialog.h", "bridge/pagebridge.h", "platform/linux/procfs.h", "platform/localserveraccess.h"})
        QVERIFY(write(root, QLatin1String(header), "#pragma once\n"));
    QVERIFY(write(root, file, "#include <QString>\n\n" + include + "\n"));

    QProcess check;
    check.start(QStringLiteral(NUVA_LAYERCHECK_PATH),
        {root.path(), QStringLiteral(NUVA_LAYERS_RULES), QStringLiteral(NUVA_QT_INCLUDE_FOLDER)});
    QVERIFY(check.waitForFinished(30000));
    const QString report = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    if (rule.isEmpty()) {
        QVERIFY2(check.exitCode() == 0, qPrintable(report));
        QVERIFY2(report.contains(QLatin1String("0 break the rules")), qPrintable(report));
    } else {
        QVERIFY2(check.exitCode() == 1, qPrintable(report));
        QVERIFY2(report.contains(file + QStringLiteral(":3: ") + QString::fromUtf8(include)), qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("breaks layers.rules:")), qPrintable(report));
        QVERIFY2(report.contains(rule), qPrintable(report));
    }
}

QTEST_GUILESS_MAIN(TestLayerCheck)
#include "tst_layers_check.moc"
