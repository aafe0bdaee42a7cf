#pragma once

#include <QJsonDocument>
#include <QtGlobal>
#include <QString>

// What a service request brought back.
struct ApiReply
{
    // The reply body as text (UTF-8, up to the first zero byte), for the caller's debug log. Empty when no answer
    // came: no connection, a transport error, or the time limit.
    QString body;
    // The body parsed as JSON; null when the body is empty or not JSON.
    QJsonDocument document;
};

// Sends a GET for the API base followed by pathAndQuery (appended unchanged, parsed tolerantly) and waits for the
// answer in a nested event loop, so the application keeps processing events meanwhile; calls may nest. The body is
// read whatever the HTTP status, and redirects are not followed. A request without an answer after 10 s is aborted
// and reads as an empty body, and so does an answer longer than kAnswerLimitBytes, cut off as soon as it says or shows
// that it is.
ApiReply apiGet(const QString &pathAndQuery);

// The service's answers are a few hundred bytes of JSON; one past this bound is no answer of the service's, and
// reading on would let any sender on the path fill the client's memory (2 GiB in all for a 32-bit Windows process).
inline constexpr qint64 kAnswerLimitBytes = 1024 * 1024;

// Tests shorten the time limit with this; the client never calls it.
void setApiTimeLimitForTesting(int milliseconds);
