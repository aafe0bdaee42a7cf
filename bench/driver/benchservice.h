#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QUrlQuery>

#include <functional>
#include <optional>

// The stand-in service on 127.0.0.1:8081, where the built client looks, serving the benchmark page. It logs every
// request, and the page reports by requesting /bench/KIND?FIELDS, so its log is how the page's figures reach the
// driver. Stopped by its PID when the object goes.
class BenchService
{
public:
    ~BenchService();

    // Starts the service with the page; false, with the reason in error, when it does not come up.
    bool start(const QString &servicePath, const QString &pageFile, QString &error);
    void stop();

    // The fields of the next report of that kind, waiting for it at most timeoutMs (events are processed meanwhile).
    std::optional<QUrlQuery> take(const QString &kind, int timeoutMs);

private:
    void readLog();

    QProcess m_process;
    QByteArray m_partialLine;
    bool m_listening = false;
    QStringList m_targets; // request targets not taken yet
};

// Processes events until condition holds or timeoutMs has passed; returns whether it holds. The driver's one wait.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

// Processes events for a while.
void pause(int milliseconds);
