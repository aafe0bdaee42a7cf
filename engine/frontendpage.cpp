#include "engine/frontendpage.h"

#include "api/serviceaddress.h"
#include "api/servicetrust.h"

#include <QWebEngineCertificateError>
#include <QWebEnginePage>

namespace {

class FrontEndPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool certificateError(const QWebEngineCertificateError &error) override
    {
        const QString host = frontEndUrl().host();
        return error.isOverridable() && error.error() == QWebEngineCertificateError::CertificateAuthorityInvalid
            && error.url().host() == host && isTrustedServiceChain(error.certificateChain(), host);
    }
};

} // namespace

QWebEnginePage *newFrontEndPage(QObject *parent)
{
    return new FrontEndPage(parent);
}
