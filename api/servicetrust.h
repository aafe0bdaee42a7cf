#pragma once

#include <QList>
#include <QString>

class QNetworkRequest;
class QSslCertificate;

// Where the build pins the service's own certificate authority (ServiceAddress::authority), the service's
// certificates are checked against it alone; without a pin, against the system's trust.

// Makes the request trust the pinned authority alone; leaves it as it is without a pin.
void trustServiceAuthority(QNetworkRequest &request);

// Whether the chain (the server's certificate first) verifies for host against the pinned authority alone; false
// without a pin.
bool verifiesAgainstServiceAuthority(const QList<QSslCertificate> &chain, const QString &host);
