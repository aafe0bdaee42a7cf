#include "api/apiget.h"

#include "api/serviceaddress.h"
#include "api/servicetrust.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// A service that accepts the connection and never answers would otherwise hold the caller for ever.
int g_timeLimitMs = 10000;

// How much unread answer Qt's network thread may hold for a request.
constexpr qint64 kReadBufferBytes = 64 * 1024;

QString textUpToFirstZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

} // namespace

void setApiTimeLimitForTesting(int milliseconds)
{
    g_timeLimitMs = milliseconds;
}

ApiReply apiGet(const QString &pathAndQuery)
{
    QNetworkRequest request(QUrl(apiBaseUrl() + pathAndQuery, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // A pinned authority that yields no certificate would leave the request to the system's trust.
    if (!trustServiceAuthority(request))
        return ApiReply();

    // A manager of its own, so no cookies, connections or cache carry over from one request to the next.
    auto *manager = new QNetworkAccessManager;
    QNetworkReply *reply = manager->get(request);
    holdToServiceAuthority(reply);

    QEventLoop loop;
    QObject::connect(manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
    // An answer given up on, at the time limit or past the size bound, reads as none, whatever had arrived of it.
    bool givenUp = false;
    const auto cutOff = [reply, &givenUp] {
        givenUp = true;
        reply->abort();
    };
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, cutOff);
    limit.start(g_timeLimitMs);

    // The body is taken as it arrives, and Qt's network thread stops reading while this much waits unread, so that
    // an answer without end stays in the sender's hands; one that passes the bound, or announces that it will, is cut
    // off at once. The connections go with the loop, before this call returns.
    QByteArray body;
    reply->setReadBufferSize(kReadBufferBytes);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [reply, &cutOff] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kAnswerLimitBytes)
            cutOff();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [reply, &body, &cutOff] {
        body += reply->read(kAnswerLimitBytes + 1 - body.size());
        if (body.size() > kAnswerLimitBytes)
            cutOff();
    });
    loop.exec();

    ApiReply answer;
    // An aborted reply (the pin refused the server) has nothing left to read.
    if (!givenUp && reply->isOpen())
        body += reply->readAll();
    if (!givenUp && body.size() <= kAnswerLimitBytes) {
        answer.body = textUpToFirstZero(body);
        answer.document = QJsonDocument::fromJson(answer.body.toUtf8());
    }
    // The reply belongs to the manager; both go once control is back in the event loop.
    manager->deleteLater();
    return answer;
}
