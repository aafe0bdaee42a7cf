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
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    limit.start(g_timeLimitMs);
    loop.exec();

    ApiReply answer;
    answer.body = textUpToFirstZero(reply->readAll());
    answer.document = QJsonDocument::fromJson(answer.body.toUtf8());
    // The reply belongs to the manager; both go once control is back in the event loop.
    manager->deleteLater();
    return answer;
}
