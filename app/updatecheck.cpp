#include "app/updatecheck.h"

#include "api/apiget.h"
#include "api/clientversion.h"
#include "bridge/browserlink.h"

#include <QDebug>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>

void runUpdateCheck()
{
    const ApiReply reply = apiGet(QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=")
        + QLatin1String(kClientVersion));
    qDebug() << "version check" << reply.body;
    if (reply.document.isNull())
        return;

    // No version numbers are compared: any non-empty "data" object is an offer.
    const QJsonObject data = reply.document.object().value(QLatin1String("data")).toObject();
    if (data.isEmpty())
        return;
    const QString downloadUrl = data.value(QLatin1String("downloadUrl")).toString();

    if (showUpdatePrompt() != QMessageBox::Ok)
        return;
    openInBrowser(downloadUrl);
    std::exit(0);
}

int showUpdatePrompt()
{
    // No parent: the main window does not exist yet.
    QMessageBox prompt(QMessageBox::Information, QObject::tr("更新提示"), QObject::tr("发现新的版本，请及时下载更新！"),
        QMessageBox::Ok);
    prompt.button(QMessageBox::Ok)->setText(QObject::tr("去下载"));
    return prompt.exec();
}
