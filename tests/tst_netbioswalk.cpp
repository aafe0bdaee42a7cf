// The NetBIOS walk that reads the machine address on Windows, run against a scripted NetBIOS. Built twice: on Linux
// against stand-ins for the two Windows headers, and for 32-bit Windows, run under Wine.

#include "plaincheck.h"
#include "platform/win/netbioswalk.h"

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

PLAIN_TEST(noAdaptersGiveNoAddressAndNoFurtherCalls)
{
    ScriptedNetbios netbios;
    CHECK_TEXT(walk(netbios), "");
    CHECK((netbios.calls == std::vector<Call>{{NCBENUM, 0}}));
}

PLAIN_TEST(aFailedEnumerationCountsAsNoAdapters)
{
    ScriptedNetbios netbios;
    netbios.enumerationResult = 0x01;
    netbios.lanas = {0};
    netbios.addresses[0] = {1, 2, 3, 4, 5, 6};
    CHECK_TEXT(walk(netbios), "");
    CHECK(netbios.calls.size() == 1);
}

PLAIN_TEST(aLanaWhoseResetFailsIsSkippedWithoutStatusQuery)
{
    ScriptedNetbios netbios;
    netbios.lanas = {4, 7};
    netbios.resetResults[4] = 0x23;
    netbios.addresses[4] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    netbios.addresses[7] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    CHECK_TEXT(walk(netbios), "00-1A-2B-3C-4D-5E");
    CHECK((netbios.calls == std::vector<Call>{{NCBENUM, 0}, {NCBRESET, 4}, {NCBRESET, 7}, {NCBASTAT, 7}}));
    CHECK(netbios.statusQueryWellFormed);
}

PLAIN_TEST(theFirstLanaThatAnswersWinsAndLaterOnesAreUntouched)
{
    ScriptedNetbios netbios;
    netbios.lanas = {3, 1, 2};
    netbios.addresses[3] = {0, 0, 0, 0, 0, 0}; // an all-zero address is an answer like any other
    netbios.addresses[1] = {1, 1, 1, 1, 1, 1};
    CHECK_TEXT(walk(netbios), "00-00-00-00-00-00");
    CHECK((netbios.calls == std::vector<Call>{{NCBENUM, 0}, {NCBRESET, 3}, {NCBASTAT, 3}}));
}

PLAIN_TEST(aFailedOrIncompleteStatusMovesOnToTheNextLana)
{
    ScriptedNetbios netbios;
    netbios.lanas = {0, 1, 2};
    netbios.addresses[1] = {9, 9, 9, 9, 9, 9};
    netbios.statusResults[1] = 0x06; // incomplete data still counts as a failure
    netbios.addresses[2] = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
    CHECK_TEXT(walk(netbios), "DE-AD-BE-EF-00-01");
    CHECK(netbios.calls.size() == 7);
}

PLAIN_TEST(addressesAreUpperCaseTwoDigitBytes)
{
    const std::pair<Address, std::string> cases[] = {
        {{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}, "0A-0B-0C-0D-0E-0F"},
        {{0xff, 0x80, 0xfe, 0x7f, 0x10, 0xab}, "FF-80-FE-7F-10-AB"},
    };
    for (const auto &[bytes, expected] : cases) {
        ScriptedNetbios netbios;
        netbios.lanas = {0};
        netbios.addresses[0] = bytes;
        CHECK_TEXT(walk(netbios), expected);
    }
}

PLAIN_TEST(aFullListOfSilentAdaptersIsWalkedToItsEnd)
{
    ScriptedNetbios netbios;
    for (int lana = 0; lana < 255; ++lana) {
        netbios.lanas.push_back(UCHAR(lana));
        netbios.resetResults[UCHAR(lana)] = 0x34;
    }
    CHECK_TEXT(walk(netbios), "");
    CHECK(netbios.calls.size() == 256);
    CHECK(netbios.calls.back().lana == 254);
}

int main()
{
    return PlainCheck::runAll("TestNetbiosWalk");
}
