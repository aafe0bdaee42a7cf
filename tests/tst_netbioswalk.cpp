// The NetBIOS walk that reads the machine address on Windows, run against a scripted NetBIOS.

#include "platform/win/netbioswalk.h"

#include <QTest>

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace {

using Address = std::array<UCHAR, 6>;

struct Call
{
    UCHAR command;
    UCHAR lana;
    bool operator==(const Call &other) const { return command == other.command && lana == other.lana; }
};

// Answers each command as scripted and records every call. Unscripted resets and status queries succeed; a status
// query without a scripted address fails.
struct ScriptedNetbios
{
    UCHAR enumerationResult = NRC_GOODRET;
    std::vector<UCHAR> lanas;
    std::map<UCHAR, UCHAR> resetResults;
    std::map<UCHAR, UCHAR> statusResults;
    std::map<UCHAR, Address> addresses;
    std::vector<Call> calls;
    bool statusQueryWellFormed = true;

    UCHAR operator()(PNCB ncb)
    {
        calls.push_back({ncb->ncb_command, ncb->ncb_lana_num});
        switch (ncb->ncb_command) {
        case NCBENUM: {
            auto *list = reinterpret_cast<LANA_ENUM *>(ncb->ncb_buffer);
            list->length = UCHAR(lanas.size());
            std::copy(lanas.begin(), lanas.end(), list->lana);
            return enumerationResult;
        }
        case NCBRESET:
            return resetResults.count(ncb->ncb_lana_num) ? resetResults[ncb->ncb_lana_num] : NRC_GOODRET;
        case NCBASTAT: {
            static const UCHAR star[NCBNAMSZ] = {'*'};
            statusQueryWellFormed = statusQueryWellFormed && ncb->ncb_length == 600
                && std::memcmp(ncb->ncb_callname, star, NCBNAMSZ) == 0;
            const auto address = addresses.find(ncb->ncb_lana_num);
            if (address == addresses.end())
                return 0x05; // a non-zero result: no answer from this adapter
            std::memcpy(ncb->ncb_buffer, address->second.data(), 6);
            return statusResults.count(ncb->ncb_lana_num) ? statusResults[ncb->ncb_lana_num] : NRC_GOODRET;
        }
        }
        return 0xFF;
    }
};

std::string walk(ScriptedNetbios &netbios)
{
    return readNetbiosAddress([&netbios](PNCB ncb) { return netbios(ncb); });
}

} // namespace

class TestNetbiosWalk : public QObject
{
    Q_OBJECT

private slots:
    void noAdaptersGiveNoAddressAndNoFurtherCalls();
    void aFailedEnumerationCountsAsNoAdapters();
    void aLanaWhoseResetFailsIsSkippedWithoutStatusQuery();
    void theFirstLanaThatAnswersWinsAndLaterOnesAreUntouched();
    void aFailedOrIncompleteStatusMovesOnToTheNextLana();
    void addressesAreUpperCaseTwoDigitBytes_data();
    void addressesAreUpperCaseTwoDigitBytes();
    void aFullListOfSilentAdaptersIsWalkedToItsEnd();
};

void TestNetbiosWalk::noAdaptersGiveNoAddressAndNoFurtherCalls()
{
    ScriptedNetbios netbios;
    QCOMPARE(walk(netbios), std::string());
    QCOMPARE(netbios.calls, (std::vector<Call>{{NCBENUM, 0}}));
}

void TestNetbiosWalk::aFailedEnumerationCountsAsNoAdapters()
{
    ScriptedNetbios netbios;
    netbios.enumerationResult = 0x01;
    netbios.lanas = {0};
    netbios.addresses[0] = {1, 2, 3, 4, 5, 6};
    QCOMPARE(walk(netbios), std::string());
    QCOMPARE(netbios.calls.size(), size_t(1));
}

void TestNetbiosWalk::aLanaWhoseResetFailsIsSkippedWithoutStatusQuery()
{
    ScriptedNetbios netbios;
    netbios.lanas = {4, 7};
    netbios.resetResults[4] = 0x23;
    netbios.addresses[4] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    netbios.addresses[7] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    QCOMPARE(walk(netbios), std::string("00-1A-2B-3C-4D-5E"));
    QCOMPARE(netbios.calls, (std::vector<Call>{{NCBENUM, 0}, {NCBRESET, 4}, {NCBRESET, 7}, {NCBASTAT, 7}}));
    QVERIFY(netbios.statusQueryWellFormed);
}

void TestNetbiosWalk::theFirstLanaThatAnswersWinsAndLaterOnesAreUntouched()
{
    ScriptedNetbios netbios;
    netbios.lanas = {3, 1, 2};
    netbios.addresses[3] = {0, 0, 0, 0, 0, 0}; // an all-zero address is an answer like any other
    netbios.addresses[1] = {1, 1, 1, 1, 1, 1};
    QCOMPARE(walk(netbios), std::string("00-00-00-00-00-00"));
    QCOMPARE(netbios.calls, (std::vector<Call>{{NCBENUM, 0}, {NCBRESET, 3}, {NCBASTAT, 3}}));
}

void TestNetbiosWalk::aFailedOrIncompleteStatusMovesOnToTheNextLana()
{
    ScriptedNetbios netbios;
    netbios.lanas = {0, 1, 2};
    netbios.addresses[1] = {9, 9, 9, 9, 9, 9};
    netbios.statusResults[1] = 0x06; // incomplete data still counts as a failure
    netbios.addresses[2] = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
    QCOMPARE(walk(netbios), std::string("DE-AD-BE-EF-00-01"));
    QCOMPARE(netbios.calls.size(), size_t(7));
}

void TestNetbiosWalk::addressesAreUpperCaseTwoDigitBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("small values") << QByteArray::fromHex("0a0b0c0d0e0f") << "0A-0B-0C-0D-0E-0F";
    QTest::newRow("high values") << QByteArray::fromHex("ff80fe7f10ab") << "FF-80-FE-7F-10-AB";
}

void TestNetbiosWalk::addressesAreUpperCaseTwoDigitBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    ScriptedNetbios netbios;
    netbios.lanas = {0};
    std::memcpy(netbios.addresses[0].data(), bytes.constData(), 6);
    QCOMPARE(QString::fromStdString(walk(netbios)), expected);
}

void TestNetbiosWalk::aFullListOfSilentAdaptersIsWalkedToItsEnd()
{
    ScriptedNetbios netbios;
    for (int lana = 0; lana < 255; ++lana) {
        netbios.lanas.push_back(UCHAR(lana));
        netbios.resetResults[UCHAR(lana)] = 0x34;
    }
    QCOMPARE(walk(netbios), std::string());
    QCOMPARE(netbios.calls.size(), size_t(256));
    QCOMPARE(int(netbios.calls.back().lana), 254);
}

QTEST_APPLESS_MAIN(TestNetbiosWalk)
#include "tst_netbioswalk.moc"
