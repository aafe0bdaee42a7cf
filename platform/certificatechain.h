#pragma once

#include <QByteArray>
#include <QList>

/**
 * Whether a server's certificate chain leads to one of the given authorities, and to nothing else: the system's own
 * store of authorities plays no part.
 *
 * chain holds DER certificates, the server's own first and then the intermediates it sent (the authority too, if it
 * did); authorities holds the DER certificates of the authorities to trust, each the root of its chain. True only when
 * every signature holds from the server's certificate up to one of those authorities, every certificate of the path is
 * valid now, and the server's certificate may serve TLS. Anything that cannot be read or decided is false. The name
 * the certificate is for is not looked at here.
 *
 * Linux: OpenSSL, with a store that holds the given authorities alone. Windows: CryptoAPI's chain, which must end in
 * one of them.
 */
bool chainLeadsToAuthority(const QList<QByteArray> &chain, const QList<QByteArray> &authorities);
