#include "platform/certificatechain.h"

#include <QtGlobal>

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

template <typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *object) const { Free(object); }
};
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreContext = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;

void freeCertificates(STACK_OF(X509) * certificates)
{
    sk_X509_pop_free(certificates, X509_free);
}
using Certificates = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeCertificates>>;

Certificate fromDer(const QByteArray &der)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
    Certificate certificate(d2i_X509(nullptr, &bytes, der.size()));
    // Trailing bytes mean the text was something other than one certificate.
    if (certificate && bytes != reinterpret_cast<const unsigned char *>(der.constData()) + der.size())
        return nullptr;
    return certificate;
}

} // namespace

bool chainLeadsToAuthority(const QList<QByteArray> &chain, const QList<QByteArray> &authorities)
{
    if (chain.isEmpty() || authorities.isEmpty())
        return false;
    // A new store is empty: no default paths, no system authorities, only what is added here.
    Store store(X509_STORE_new());
    if (!store)
        return false;
    for (const QByteArray &der : authorities) {
        const Certificate authority = fromDer(der);
        if (!authority || X509_STORE_add_cert(store.get(), authority.get()) != 1)
            return false;
    }
    const Certificate server = fromDer(chain.first());
    Certificates intermediates(sk_X509_new_null());
    if (!server || !intermediates)
        return false;
    for (qsizetype i = 1; i < chain.size(); ++i) {
        Certificate intermediate = fromDer(chain.at(i));
        if (!intermediate || !sk_X509_push(intermediates.get(), intermediate.get()))
            return false;
        intermediate.release();
    }

    StoreContext context(X509_STORE_CTX_new());
    if (!context || X509_STORE_CTX_init(context.get(), store.get(), server.get(), intermediates.get()) != 1)
        return false;
    // The server's certificate must be fit for a TLS server; times are checked against now, as by default.
    X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_SSL_SERVER);
    if (X509_verify_cert(context.get()) == 1)
        return true;
    qDebug("refused a certificate chain of %d certificates: %s", int(chain.size()),
        X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get())));
    return false;
}
