#pragma once

#include <QString>

class QSslCertificate;

// Whether a server's certificate is for host, as browsers decide it today: an IP address must be among the
// certificate's IP address names, a DNS name among its DNS names (case aside), where a name "*.example.com" stands for
// exactly one label in front of "example.com". The subject's common name is not read, and nothing else matches.
bool certificateNamesHost(const QSslCertificate &certificate, const QString &host);
