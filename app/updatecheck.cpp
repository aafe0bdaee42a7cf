#include "app/updatecheck.h"

#include "api/apiget.h"
#include "api/clientversion.h"
#include "app/offereddownload.h"
#include "bridge/browserlink.h"

#include <QDebug>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>

void runUpdateCheck()
{
    const ApiReply reply = apiGet(
        QStringLiteral("clientversion/get_latest_version?clientType=pc&versionNo=") + QLatin1String(kClientVersion));
    qDebug() << "version check" << reply.body;
    const std::optional<QString> downloadUrl = offeredDownload(reply.document);
    if (!downloadUrl)
        return;

    if (showUpdatePrompt() != QMessageBox::Ok)
        return;
    openInBrowser(*downloadUrl);
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
