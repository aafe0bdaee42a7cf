// The game session: launching the viewer for the page, and everything between the client, the viewer and the page.

#include "api/apiget.h"
#include "bridge/sessionrules.h"
#include "bridge/viewerlaunch.h"
#include "platform/processes.h"
#include "window/vuedialog.h"

#include <QDebug>

QString VueDialog::startGame(QString param)
{
    qDebug() << "param=" << param;
    m_param = param;

    const QString running = listProcessesByImageName(viewerImageName());
    qDebug() << "outputStr" << running;
    // A call that comes in while another waits for its confirmation counts as a running viewer too: without this,
    // every call of a double click would pass the check and launch a viewer of its own.
    if (running.contains(QLatin1String("PID")) || m_awaitingConfirmation)
        return tr("你已经打开了云游戏!");

    const QString order = orderIdentifier(param);
    qDebug() << "strUuid=" << order;
    m_awaitingConfirmation = true;
    const ApiReply reply = apiGet(QStringLiteral("order/confirm_connect?uuid=") + order);
    m_awaitingConfirmation = false;
    if (!reply.document.isNull())
        qDebug() << "strUuid=" << nodeIdentifier(reply.document);

    launchViewer(param);
    emit sendOrderShow(false);
    return QString();
}

void VueDialog::launchViewer(const QString &param)
{
    // A replaced viewer that has ended has reported its end already; one still running reports it and is released
    // in finish_process.
    if (m_process && m_process->state() == QProcess::NotRunning)
        m_process->deleteLater();

    auto *viewer = new IsolatedProcess;
    m_process = viewer;
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, &VueDialog::finish_process);
    connect(m_process, &QProcess::readyRead, this, &VueDialog::readFromOrbview);
    startViewer(*viewer, param);
}

void VueDialog::readFromOrbview()
{
    if (!m_process)
        return;
    const ViewerToken token = viewerToken(m_process->readAllStandardOutput());
    if (token == ViewerToken::None)
        return;
    if (token == ViewerToken::FpsChanged)
        emit fpsChanged();
    else
        emit closeOrder();
    killProcessesByImageName(viewerImageName());
    startGame(m_param);
}

void VueDialog::finish_process(int exitCode, QProcess::ExitStatus exitStatus)
{
    show();
    qDebug() << "游戏启动成功后关闭!";
    qDebug() << exitCode;
    qDebug() << exitStatus;
    emit sendOrderShow(true);

    auto *ended = qobject_cast<QProcess *>(sender());
    if (ended && ended != m_process)
        ended->deleteLater();
}

void VueDialog::disconnectNode()
{
    qDebug() << "disconnectNode";
    killProcessesByImageName(viewerImageName());
    emit sendOrderShow(true);
}

void VueDialog::orderStatus(QJsonObject orderStatusString)
{
    qDebug() << orderStatusString;
    const BillingTexts texts = billingTexts(orderStatusString);
    m_balanceText = texts.balance;
    m_unitPriceText = texts.unitPrice;
    m_useTimeText = texts.useTime;
    m_totalAmountText = texts.totalAmount;
    qDebug() << m_balanceText << m_unitPriceText << m_useTimeText;
}
