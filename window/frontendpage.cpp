#include "window/frontendpage.h"

#include "api/serviceaddress.h"
#include "api/servicetrust.h"

#include <QWebEngineCertificateError>

FrontEndPage::FrontEndPage(QObject *parent)
    : QWebEnginePage(parent)
{ }

bool FrontEndPage::certificateError(const QWebEngineCertificateError &error)
{
    const QString host = frontEndUrl().host();
    return error.isOverridable() && error.error() == QWebEngineCertificateError::CertificateAuthorityInvalid
        && error.url().host() == host && verifiesAgainstServiceAuthority(error.certificateChain(), host);
}
