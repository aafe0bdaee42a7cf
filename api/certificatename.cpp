#include "api/certificatename.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QUrl>

namespace {

// The name in the form names are compared in: ASCII (punycode for international names), lower case, without the
// trailing dot of a fully qualified name.
QString comparable(const QString &name)
{
    QString ascii = QString::fromLatin1(QUrl::toAce(name)).toLower();
    if (ascii.endsWith(QLatin1Char('.')))
        ascii.chop(1);
    return ascii;
}

// pattern is a DNS name of the certificate, host the comparable form of the host's.
bool dnsNameMatches(const QString &pattern, const QString &host)
{
    if (host.isEmpty())
        return false;
    if (!pattern.startsWith(QLatin1String("*.")))
        return comparable(pattern) == host;
    // A wildcard covers one whole label, and only below a name of two labels or more ("*.com" covers nothing).
    const QString parent = comparable(pattern.mid(2));
    const int firstDot = host.indexOf(QLatin1Char('.'));
    return parent.contains(QLatin1Char('.')) && firstDot > 0 && host.mid(firstDot + 1) == parent;
}

} // namespace

bool certificateNamesHost(const QSslCertificate &certificate, const QString &host)
{
    const QMultiMap<QSsl::AlternativeNameEntryType, QString> names = certificate.subjectAlternativeNames();
    QString bare = host;
    if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
        bare = bare.mid(1, bare.size() - 2);
    const QHostAddress address(bare);
    if (!address.isNull()) {
        for (const QString &name : names.values(QSsl::IpAddressEntry)) {
            if (QHostAddress(name).isEqual(address, QHostAddress::StrictConversion))
                return true;
        }
        return false;
    }
    const QString wanted = comparable(bare);
    for (const QString &name : names.values(QSsl::DnsEntry)) {
        if (dnsNameMatches(name, wanted))
            return true;
    }
    return false;
}
