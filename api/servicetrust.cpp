#include "api/servicetrust.h"

#include "api/serviceaddress.h"

#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace {

QList<QSslCertificate> pinnedAuthority()
{
    return QSslCertificate::fromData(ServiceAddress::authority(), QSsl::Pem);
}

} // namespace

void trustServiceAuthority(QNetworkRequest &request)
{
    const QList<QSslCertificate> pinned = pinnedAuthority();
    if (pinned.isEmpty())
        return;
    // Replacing the list also stops Qt from loading the system's authorities on demand.
    QSslConfiguration tls = request.sslConfiguration();
    tls.setCaCertificates(pinned);
    request.setSslConfiguration(tls);
}

bool verifiesAgainstServiceAuthority(const QList<QSslCertificate> &chain, const QString &host)
{
    const QList<QSslCertificate> pinned = pinnedAuthority();
    if (pinned.isEmpty() || chain.isEmpty())
        return false;
    // QSslCertificate::verify checks against the default configuration's authorities, so for the moment of the check
    // (on the GUI thread, where every request of the client is made) those are the pinned one alone.
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    QSslConfiguration pinnedOnly = saved;
    pinnedOnly.setCaCertificates(pinned);
    QSslConfiguration::setDefaultConfiguration(pinnedOnly);
    const bool verified = QSslCertificate::verify(chain, host).isEmpty();
    QSslConfiguration::setDefaultConfiguration(saved);
    return verified;
}
