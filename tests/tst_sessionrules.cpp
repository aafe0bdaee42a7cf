// The session's rules on their own: the order identifier, the node identifier, the viewer's tokens, billing texts.

#include "bridge/sessionrules.h"

#include <QJsonDocument>
#include <QTest>

class TestSessionRules : public QObject
{
    Q_OBJECT

private slots:
    void orderIdentifierIsTheSecondSingleSpacedWord_data();
    void orderIdentifierIsTheSecondSingleSpacedWord();
    void nodeIdentifierIsReadByExactPath_data();
    void nodeIdentifierIsReadByExactPath();
    void aTokenCountsOnlyAsTheLastTenCharacters_data();
    void aTokenCountsOnlyAsTheLastTenCharacters();
    void billingTextsFollowTheFrameworksConversions_data();
    void billingTextsFollowTheFrameworksConversions();
};

void TestSessionRules::orderIdentifierIsTheSecondSingleSpacedWord_data()
{
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("order");
    QTest::newRow("three words") << "game order-42 1080p"
                                 << "order-42";
    QTest::newRow("two words") << "game order-42"
                               << "order-42";
    QTest::newRow("two spaces make an empty word") << "game  order-42"
                                                   << "";
    QTest::newRow("quotes mean nothing") << "\"a b\" c"
                                         << "b\"";
    QTest::newRow("one word") << "game"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing space") << "game "
                                    << "";
    QTest::newRow("tabs are not separators") << "game\torder 7"
                                             << "7";
}

void TestSessionRules::orderIdentifierIsTheSecondSingleSpacedWord()
{
    QFETCH(QString, param);
    QFETCH(QString, order);
    QCOMPARE(orderIdentifier(param), order);
}

void TestSessionRules::nodeIdentifierIsReadByExactPath_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("node");
    QTest::newRow("present") << QByteArray(R"({"data":{"orderComputer":{"nodeUuid":"n-1"}}})") << "n-1";
    QTest::newRow("no data") << QByteArray(R"({"code":0})") << "";
    QTest::newRow("orderComputer not an object") << QByteArray(R"({"data":{"orderComputer":"n-1"}})") << "";
    QTest::newRow("nodeUuid a number") << QByteArray(R"({"data":{"orderComputer":{"nodeUuid":7}}})") << "";
    QTest::newRow("top-level array") << QByteArray(R"([{"data":{}}])") << "";
    QTest::newRow("null document") << QByteArray("") << "";
}

void TestSessionRules::nodeIdentifierIsReadByExactPath()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, node);
    QCOMPARE(nodeIdentifier(QJsonDocument::fromJson(reply)), node);
}

void TestSessionRules::aTokenCountsOnlyAsTheLastTenCharacters_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("token");
    const int none = int(ViewerToken::None), fps = int(ViewerToken::FpsChanged), close = int(ViewerToken::CloseOrder);
    QTest::newRow("bare fpschanged") << QByteArray("fpschanged") << fps;
    QTest::newRow("bare closeorder") << QByteArray("closeorder") << close;
    QTest::newRow("text before the token") << QByteArray("frame 42 closeorder") << close;
    QTest::newRow("line end after the token") << QByteArray("fpschanged\n") << none;
    QTest::newRow("two tokens: the last counts") << QByteArray("closeorderfpschanged") << fps;
    QTest::newRow("nine characters") << QByteArray("pschanged") << none;
    QTest::newRow("upper case") << QByteArray("FPSCHANGED") << none;
    QTest::newRow("cut by a zero byte") << QByteArray("fpschanged\0xyz", 14) << fps;
    QTest::newRow("zero byte inside") << QByteArray("fpsch\0anged", 11) << none;
    QTest::newRow("multi-byte text before") << QByteArray("帧率closeorder") << close;
    QTest::newRow("empty") << QByteArray() << none;
}

void TestSessionRules::aTokenCountsOnlyAsTheLastTenCharacters()
{
    QFETCH(QByteArray, output);
    QFETCH(int, token);
    QCOMPARE(int(viewerToken(output)), token);
}

void TestSessionRules::billingTextsFollowTheFrameworksConversions_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QStringList>("texts"); // balance, unit price, use time, total

    QTest::newRow("numbers") << QByteArray(
        R"({"balance":12.5,"unitPrice":0.5,"unitTime":30,"useTime":150000,"totalAmount":3})")
                             << QStringList{"12.5元", "0.5元/30分钟", "2分钟", "3元"};
    QTest::newRow("just under a minute") << QByteArray(R"({"useTime":59999})")
                                         << QStringList{"元", "元/分钟", "0分钟", "元"};
    QTest::newRow("one minute") << QByteArray(R"({"useTime":60000})") << QStringList{"元", "元/分钟", "1分钟", "元"};
    QTest::newRow("empty object") << QByteArray("{}") << QStringList{"元", "元/分钟", "0分钟", "元"};
    QTest::newRow("strings") << QByteArray(
        R"({"balance":"8.00","unitPrice":"1","unitTime":"15","useTime":"120000","totalAmount":"2.5"})")
                             << QStringList{"8.00元", "1元/15分钟", "2分钟", "2.5元"};
    QTest::newRow("other types") << QByteArray(
        R"({"balance":true,"unitPrice":null,"unitTime":[1],"useTime":{"a":1},"totalAmount":false})")
                                 << QStringList{"true元", "元/分钟", "0分钟", "false元"};
    QTest::newRow("use time rounded half up")
        << QByteArray(R"({"useTime":59999.5})") << QStringList{"元", "元/分钟", "1分钟", "元"};
    QTest::newRow("use time not a number")
        << QByteArray(R"({"useTime":"abc"})") << QStringList{"元", "元/分钟", "0分钟", "元"};
    QTest::newRow("use time negative") << QByteArray(R"({"useTime":-120001})")
                                       << QStringList{"元", "元/分钟", "-2分钟", "元"};
    QTest::newRow("use time beyond 32 bits")
        << QByteArray(R"({"useTime":1e300})") << QStringList{"元", "元/分钟", "35791分钟", "元"};
}

void TestSessionRules::billingTextsFollowTheFrameworksConversions()
{
    QFETCH(QByteArray, status);
    QFETCH(QStringList, texts);
    const BillingTexts built = billingTexts(QJsonDocument::fromJson(status).object());
    QCOMPARE((QStringList{built.balance, built.unitPrice, built.useTime, built.totalAmount}), texts);
}

QTEST_APPLESS_MAIN(TestSessionRules)
#include "tst_sessionrules.moc"
