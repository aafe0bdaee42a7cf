#include "viewerscript.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next == '0' ? '\0' : next;
    }
    return out;
}

// Steps are separated by ";" unless it is escaped.
QList<QByteArray> splitSteps(const QByteArray &script)
{
    QList<QByteArray> steps{QByteArray()};
    for (int i = 0; i < script.size(); ++i) {
        if (script[i] == '\\' && i + 1 < script.size()) {
            steps.last() += script.mid(i, 2);
            ++i;
        } else if (script[i] == ';') {
            steps.append(QByteArray());
        } else {
            steps.last() += script[i];
        }
    }
    return steps;
}

void writeAll(const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

void recordStart(const QByteArray &file, const QStringList &arguments)
{
    QFile record(QString::fromLocal8Bit(file));
    if (!record.open(QIODevice::Append))
        return;
    const QJsonObject line{
        {"pid", QCoreApplication::applicationPid()}, {"args", QJsonArray::fromStringList(arguments)}};
    record.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
}

void runScript(const QByteArray &steps)
{
    for (const QByteArray &step : splitSteps(steps)) {
        const int colon = step.indexOf(':');
        const QByteArray verb = colon < 0 ? step : step.left(colon);
        const QByteArray value = colon < 0 ? QByteArray() : step.mid(colon + 1);
        if (verb == "write") {
            writeAll(unescape(value));
        } else if (verb == "sleep") {
            QThread::msleep(value.toULong());
        } else if (verb == "flood") {
            const QByteArray filler(64 * 1024, 'x');
            for (qint64 left = value.toLongLong(); left > 0; left -= filler.size())
                writeAll(filler.left(int(qMin<qint64>(left, filler.size()))));
        } else if (verb == "close-stdout") {
            ::close(STDOUT_FILENO);
        } else if (verb == "exit") {
            std::exit(value.toInt());
        } else if (verb == "crash") {
            std::raise(SIGSEGV);
        }
    }
    for (;;)
        QThread::sleep(3600);
}
