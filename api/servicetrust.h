#pragma once

#include <QList>
#include <QString>

class QNetworkReply;
class QNetworkRequest;
class QSslCertificate;

// Where the build pins the service's own certificate authority (ServiceAddress::authority), the service is trusted
// only on a chain that leads to it, never to an authority of the system's store, whatever TLS back end Qt was built
// with. A pin that yields no certificate trusts nothing: it never falls back to the system. Without a pin the API
// trusts the system, as a browser does.

// Readies a request to the service: with a pin, its TLS trusts the pinned authority alone. False for an https request
// when the pin yields no certificate, and then the request must not be sent.
bool trustServiceAuthority(QNetworkRequest &request);

// With a pin, aborts the reply when its TLS handshake is done, before the request is sent, unless the server's chain
// is trusted for the service's host. The authorities a request is given are not enough on their own: Qt's Schannel
// back end asks Windows' chain engine, which trusts the system's roots all the same.
void holdToServiceAuthority(QNetworkReply *reply);

// Whether the chain (the server's certificate first) is trusted for host: the certificate is for host, and the chain
// leads to the pinned authority alone and is valid now. False without a pin.
bool isTrustedServiceChain(const QList<QSslCertificate> &chain, const QString &host);
