#include "bridge/sessionrules.h"

#include "api/serviceenvelope.h"

#include <QVariant>

#include <cmath>
#include <limits>

namespace {

// A value as the framework turns JSON into text: strings as they are, numbers in their shortest form, booleans as
// words, everything else empty.
QString valueText(const QJsonValue &value)
{
    return value.toVariant().toString();
}

// A count of milliseconds as a 32-bit integer: numbers rounded half up, decimal strings read, anything else 0.
// Numbers beyond the range are held at its ends rather than overflowing.
int milliseconds(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double: {
        const double rounded = std::floor(value.toDouble() + 0.5);
        if (rounded >= double(std::numeric_limits<int>::max()))
            return std::numeric_limits<int>::max();
        if (rounded <= double(std::numeric_limits<int>::min()))
            return std::numeric_limits<int>::min();
        return int(rounded);
    }
    case QJsonValue::String: {
        bool ok = false;
        const int number = value.toString().toInt(&ok, 10);
        return ok ? number : 0;
    }
    case QJsonValue::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return 0;
    }
}

} // namespace

QString orderIdentifier(const QString &param)
{
    const int first = param.indexOf(QLatin1Char(' '));
    if (first < 0)
        return QString();
    const int second = param.indexOf(QLatin1Char(' '), first + 1);
    return param.mid(first + 1, second < 0 ? -1 : second - first - 1);
}

QString nodeIdentifier(const QJsonDocument &reply)
{
    return serviceData(reply)
        .value(QStringLiteral("orderComputer"))
        .toObject()
        .value(QStringLiteral("nodeUuid"))
        .toString();
}

ViewerToken viewerToken(const QByteArray &output)
{
    const int zero = output.indexOf('\0');
    const QString text = QString::fromUtf8(zero < 0 ? output : output.left(zero)).right(10);
    if (text == QLatin1String("fpschanged"))
        return ViewerToken::FpsChanged;
    if (text == QLatin1String("closeorder"))
        return ViewerToken::CloseOrder;
    return ViewerToken::None;
}

BillingTexts billingTexts(const QJsonObject &status)
{
    const QString yuan = QStringLiteral("元");
    const QString minutes = QStringLiteral("分钟");
    BillingTexts texts;
    texts.balance = valueText(status.value(QStringLiteral("balance"))) + yuan;
    texts.unitPrice = valueText(status.value(QStringLiteral("unitPrice"))) + QStringLiteral("元/")
        + valueText(status.value(QStringLiteral("unitTime"))) + minutes;
    texts.useTime = QString::number(milliseconds(status.value(QStringLiteral("useTime"))) / 60000) + minutes;
    texts.totalAmount = valueText(status.value(QStringLiteral("totalAmount"))) + yuan;
    return texts;
}
