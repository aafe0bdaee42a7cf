#include "platform/certificatechain.h"

#include <QtGlobal>

#include <windows.h>

#include <wincrypt.h>

#include <memory>

namespace {

struct CloseStore
{
    void operator()(void *store) const { CertCloseStore(store, 0); }
};
using Store = std::unique_ptr<void, CloseStore>;

struct FreeCertificate
{
    void operator()(const CERT_CONTEXT *certificate) const { CertFreeCertificateContext(certificate); }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, FreeCertificate>;

struct FreeChain
{
    void operator()(const CERT_CHAIN_CONTEXT *chain) const { CertFreeCertificateChain(chain); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, FreeChain>;

Certificate fromDer(const QByteArray &der)
{
    return Certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE *>(der.constData()), DWORD(der.size())));
}

bool isOneOf(const CERT_CONTEXT *certificate, const QList<QByteArray> &authorities)
{
    const QByteArray encoded(
        reinterpret_cast<const char *>(certificate->pbCertEncoded), int(certificate->cbCertEncoded));
    return authorities.contains(encoded);
}

} // namespace

bool chainLeadsToAuthority(const QList<QByteArray> &chain, const QList<QByteArray> &authorities)
{
    if (chain.isEmpty() || authorities.isEmpty())
        return false;
    const Certificate server = fromDer(chain.first());
    Store offered(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!server || !offered)
        return false;
    for (const QList<QByteArray> &certificates : {chain.mid(1), authorities}) {
        for (const QByteArray &der : certificates) {
            if (!CertAddEncodedCertificateToStore(offered.get(), X509_ASN_ENCODING,
                    reinterpret_cast<const BYTE *>(der.constData()), DWORD(der.size()), CERT_STORE_ADD_ALWAYS, nullptr))
                return false;
        }
    }

    // The user's chain engine builds the path, from the system's stores and the certificates offered here; whatever
    // it trusts, the path counts only when it ends in one of the given authorities.
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    LPSTR serverAuthentication = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuthentication;
    const CERT_CHAIN_CONTEXT *built = nullptr;
    if (!CertGetCertificateChain(nullptr, server.get(), nullptr, offered.get(), &parameters, 0, nullptr, &built))
        return false;
    const Chain path(built);
    if (path->cChain != 1 || path->rgpChain[0]->cElement == 0)
        return false;
    const CERT_SIMPLE_CHAIN *simple = path->rgpChain[0];
    const bool endsInAuthority = isOneOf(simple->rgpElement[simple->cElement - 1]->pCertContext, authorities);
    // An authority of the service's own is rarely in the system's store, which makes the root untrusted to Windows;
    // every other fault (a signature, a date, the usage, a broken or cut path) refuses.
    const DWORD faults = path->TrustStatus.dwErrorStatus & ~DWORD(CERT_TRUST_IS_UNTRUSTED_ROOT);
    if (endsInAuthority && faults == CERT_TRUST_NO_ERROR)
        return true;
    qDebug("refused a certificate chain of %u certificates: it %s the pinned authority, faults 0x%lx",
        unsigned(simple->cElement), endsInAuthority ? "ends in" : "does not end in", static_cast<unsigned long>(faults));
    return false;
}
