// Checks every #include of the client's folders against layers.rules and names each one the rules forbid, with its
// file, its line and the rule it breaks.
//
// Usage: layercheck SOURCE_ROOT RULES_FILE QT_INCLUDE_FOLDER
// Exits 0 when every include keeps the rules, 1 when one breaks them, 2 when the rules or the tree cannot be read.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

// Every file of C or C++ that a folder may hold.
const QStringList kSourceFiles{QStringLiteral("*.h"), QStringLiteral("*.hpp"), QStringLiteral("*.hxx"),
    QStringLiteral("*.inl"), QStringLiteral("*.c"), QStringLiteral("*.cc"), QStringLiteral("*.cpp"),
    QStringLiteral("*.cxx")};

struct Rule
{
    QString folder; // "api/"
    QStringList allowed; // "QtCore", "platform/*.h", "window/", ...
    int line = 0;
};

bool allows(const Rule &rule, const QString &included)
{
    if (included.startsWith(rule.folder))
        return true;
    for (const QString &entry : rule.allowed) {
        if (entry == included || (entry.endsWith(QLatin1Char('/')) && included.startsWith(entry)))
            return true;
        if (entry.endsWith(QLatin1String("/*.h")) && included.endsWith(QLatin1String(".h"))
            && included.section(QLatin1Char('/'), 0, -2) + QLatin1String("/*.h") == entry)
            return true;
        if (entry == QLatin1String("Qt") && included.startsWith(QLatin1String("Qt")) && !included.contains('/'))
            return true;
    }
    return false;
}

std::optional<QList<Rule>> readRules(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QList<Rule> rules;
    int number = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0 || !line.left(colon).endsWith(QLatin1Char('/')))
            return std::nullopt;
        rules.append({line.left(colon), line.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts), number});
    }
    return rules;
}

// Which Qt module holds each header of the Qt include folder, by the name an include gives it: "QWidget" and
// "qwidget.h" -> "QtWidgets", and below the module's version folder "private/qwidget_p.h" -> "QtWidgets",
// "qpa/qplatformwindow.h" -> "QtGui".
QHash<QString, QString> qtModules(const QString &qtIncludeFolder)
{
    QHash<QString, QString> modules;
    const QDir root(qtIncludeFolder);
    for (const QString &module : root.entryList({QStringLiteral("Qt*")}, QDir::Dirs)) {
        const QDir folder(root.filePath(module));
        QDirIterator headers(folder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (headers.hasNext()) {
            const QString path = folder.relativeFilePath(headers.next());
            // <version>/<module>/private/x_p.h is included as <private/x_p.h>.
            const QString name = path.count(QLatin1Char('/')) >= 3 ? path.section(QLatin1Char('/'), 2) : path;
            modules.insert(name, module);
        }
    }
    return modules;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: layercheck SOURCE_ROOT RULES_FILE QT_INCLUDE_FOLDER\n");
        return 2;
    }
    const QDir root(arguments[1]);
    const QString rulesName = QFileInfo(arguments[2]).fileName();
    const std::optional<QList<Rule>> rules = readRules(arguments[2]);
    if (!rules || rules->isEmpty()) {
        std::fprintf(stderr, "%s: unreadable, or a line that is not \"folder/: what it may include\"\n",
            qPrintable(arguments[2]));
        return 2;
    }
    const QHash<QString, QString> modules = qtModules(arguments[3]);
    if (!modules.contains(QStringLiteral("QObject"))) {
        std::fprintf(stderr, "%s holds no Qt headers\n", qPrintable(arguments[3]));
        return 2;
    }

    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    QTextStream out(stdout);
    int files = 0, includes = 0, broken = 0;
    for (const Rule &rule : *rules) {
        if (!root.exists(rule.folder)) {
            std::fprintf(stderr, "%s:%d: %s is not a folder of %s\n", qPrintable(rulesName), rule.line,
                qPrintable(rule.folder), qPrintable(root.path()));
            return 2;
        }
        QDirIterator sources(root.filePath(rule.folder), kSourceFiles, QDir::Files, QDirIterator::Subdirectories);
        while (sources.hasNext()) {
            const QString path = root.relativeFilePath(sources.next());
            QFile file(root.filePath(path));
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                return 2;
            ++files;
            for (int number = 1; !file.atEnd(); ++number) {
                const QRegularExpressionMatch match = include.match(QString::fromUtf8(file.readLine()));
                if (!match.hasMatch())
                    continue;
                ++includes;
                const QString name = match.captured(2);
                // What the include means to the rules: a file of the project by its path from the root, a Qt module,
                // or nothing (a header of C++ or of the system).
                QString included;
                const QString besideIt = QFileInfo(path).path() + QLatin1Char('/') + name;
                if (match.captured(1) == QLatin1String("\"") && root.exists(besideIt))
                    included = QDir::cleanPath(besideIt);
                else if (root.exists(name))
                    included = QDir::cleanPath(name);
                else if (modules.contains(name))
                    included = modules.value(name);
                else if (name.startsWith(QLatin1String("Qt")) && name.contains(QLatin1Char('/')))
                    included = name.section(QLatin1Char('/'), 0, 0); // <QtWidgets/QWidget>
                else if (match.captured(1) == QLatin1String("\""))
                    included = name; // names no file of the project, which no rule allows
                if (included.isEmpty() || allows(rule, included))
                    continue;
                ++broken;
                out << path << ':' << number << ": #include " << match.captured(1) << name
                    << (match.captured(1) == QLatin1String("\"") ? "\"" : ">") << " (" << included << ") breaks "
                    << rulesName << ':' << rule.line << ": " << rule.folder << " may include "
                    << (rule.allowed.isEmpty() ? QStringLiteral("only its own files") : rule.allowed.join(' ')) << '\n';
            }
        }
    }
    out << "layers: " << includes << " includes in " << files << " files checked, " << broken << " break the rules\n";
    return broken == 0 ? 0 : 1;
}
