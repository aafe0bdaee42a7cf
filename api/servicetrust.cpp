#include "api/servicetrust.h"

#include "api/certificatename.h"
#include "api/serviceaddress.h"
#include "platform/certificatechain.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace {

bool isPinned()
{
    return !ServiceAddress::authority().isEmpty();
}

QList<QSslCertificate> pinnedAuthority()
{
    return QSslCertificate::fromData(ServiceAddress::authority(), QSsl::Pem);
}

QList<QByteArray> derOf(const QList<QSslCertificate> &certificates)
{
    QList<QByteArray> der;
    for (const QSslCertificate &certificate : certificates)
        der << certificate.toDer();
    return der;
}

} // namespace

bool trustServiceAuthority(QNetworkRequest &request)
{
    if (!isPinned() || request.url().scheme() != QLatin1String("https"))
        return true;
    const QList<QSslCertificate> pinned = pinnedAuthority();
    if (pinned.isEmpty())
        return false;
    // Replacing the list also stops Qt from loading the system's authorities on demand.
    QSslConfiguration tls = request.sslConfiguration();
    tls.setCaCertificates(pinned);
    request.setSslConfiguration(tls);
    return true;
}

void holdToServiceAuthority(QNetworkReply *reply)
{
    if (!isPinned())
        return;
    // Qt holds the request back until this has returned.
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [reply] {
        if (!isTrustedServiceChain(reply->sslConfiguration().peerCertificateChain(), reply->url().host()))
            reply->abort();
    });
}

bool isTrustedServiceChain(const QList<QSslCertificate> &chain, const QString &host)
{
    const QList<QSslCertificate> pinned = pinnedAuthority();
    return !pinned.isEmpty() && !chain.isEmpty() && certificateNamesHost(chain.first(), host)
        && chainLeadsToAuthority(derOf(chain), derOf(pinned));
}
