#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// The rules of the game session that are easy to get wrong, kept apart from the processes and signals around them.

// The order identifier: the second word of the launch parameter, words being separated by single spaces (so two
// spaces in a row make an empty word, and quotes mean nothing here). Empty when there is no second word.
QString orderIdentifier(const QString &param);

// The node identifier of an order confirmation: "data" → "orderComputer" → "nodeUuid", empty wherever the reply
// holds something else.
QString nodeIdentifier(const QJsonDocument &reply);

enum class ViewerToken { None, FpsChanged, CloseOrder };

// What one read of the viewer's output says: its text (UTF-8, up to the first zero byte) counts only when its last
// ten characters are exactly "fpschanged" or "closeorder".
ViewerToken viewerToken(const QByteArray &output);

// The texts built from the page's billing status.
struct BillingTexts
{
    QString balance; // "12.5元"
    QString unitPrice; // "0.5元/30分钟"
    QString useTime; // "2分钟", whole minutes
    QString totalAmount; // "30元"
};

BillingTexts billingTexts(const QJsonObject &status);
