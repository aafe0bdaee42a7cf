// Certificates from the network: the names a certificate is for, and the check of a chain against an authority. The
// input is a host name, a line break, then DER certificates one after another.

#include "api/certificatename.h"
#include "platform/certificatechain.h"

#include <QSslCertificate>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const int lineEnd = input.indexOf('\n');
    const QString host = QString::fromUtf8(input.left(qMax(lineEnd, 0)));
    const QByteArray der = input.mid(lineEnd + 1);

    const QList<QSslCertificate> chain = QSslCertificate::fromData(der, QSsl::Der);
    QList<QByteArray> chainDer;
    for (const QSslCertificate &certificate : chain) {
        certificateNamesHost(certificate, host);
        chainDer << certificate.toDer();
    }
    // The last certificate stands for the pinned authority; the raw bytes also go in as one certificate.
    if (!chainDer.isEmpty())
        chainLeadsToAuthority(chainDer, {chainDer.last()});
    chainLeadsToAuthority({der}, {der});
    return 0;
}
