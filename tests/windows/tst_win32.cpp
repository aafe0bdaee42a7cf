// The client's Win32 calls on a 32-bit Windows (Wine here): the roaming application-data folder from the shell, the
// profile targets beside it, and one real NetBIOS walk.

#include "plaincheck.h"
#include "platform/win/appdatafolder.h"
#include "platform/win/netbioswalk.h"
#include "platform/win/profiletargets.h"

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring lowered(std::wstring text)
{
    for (wchar_t &c : text)
        c = wchar_t(std::towlower(c));
    return text;
}

bool isFolder(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring environmentValue(const wchar_t *name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

const std::vector<std::wstring> kSuffixes{L"\\cache", L"\\QtWebEngine\\Default\\GPUCache",
    L"\\QtWebEngine\\Default\\Cookies", L"\\QtWebEngine\\Default\\Cookies-journal",
    L"\\QtWebEngine\\Default\\Visited Links"};

} // namespace

PLAIN_TEST(theShellAnswersTheRoamingFolder)
{
    const std::wstring folder = appDataFolder();
    // The shell and the environment the system gives every process agree on where the roaming folder is.
    const std::wstring expected = environmentValue(L"APPDATA");
    CHECK(!expected.empty());
    CHECK_TEXT(utf8(lowered(folder)), utf8(lowered(expected)));
    CHECK(isFolder(folder));
}

PLAIN_TEST(aMissingRoamingFolderIsCreated)
{
    const std::wstring folder = appDataFolder();
    const std::wstring aside = folder + L".aside";
    CHECK(MoveFileW(folder.c_str(), aside.c_str()));
    CHECK(!isFolder(folder));

    CHECK_TEXT(utf8(appDataFolder()), utf8(folder));
    CHECK(isFolder(folder));

    // Put the prefix back as it was.
    RemoveDirectoryW(folder.c_str());
    MoveFileW(aside.c_str(), folder.c_str());
}

PLAIN_TEST(theTargetsLieInTheLocalFolderBesideIt)
{
    const std::wstring folder = appDataFolder();
    const std::wstring root = folder.substr(0, folder.rfind(L'\\')) + L"\\Local\\nuvagame";
    const std::vector<std::wstring> targets = profileTargetsBeside(folder);
    CHECK(targets.size() == kSuffixes.size());
    for (size_t i = 0; i < targets.size() && i < kSuffixes.size(); ++i)
        CHECK_TEXT(utf8(targets[i]), utf8(root + kSuffixes[i]));
    // On Windows and Wine alike, Local is the roaming folder's sibling.
    CHECK(isFolder(folder.substr(0, folder.rfind(L'\\')) + L"\\Local"));
}

PLAIN_TEST(aFolderWithoutBackslashGivesNoTargets)
{
    CHECK(profileTargetsBeside(L"Roaming").empty());
    CHECK(profileTargetsBeside(std::wstring()).empty());
}

PLAIN_TEST(chineseCharactersAreKept)
{
    const std::vector<std::wstring> targets = profileTargetsBeside(L"C:\\Users\\张三\\AppData\\Roaming");
    CHECK(targets.size() == kSuffixes.size());
    if (!targets.empty())
        CHECK_TEXT(utf8(targets.front()), "C:\\Users\\张三\\AppData\\Local\\nuvagame\\cache");
}

PLAIN_TEST(aRealNetbiosWalkEndsWithAnAddressOrNothing)
{
    const std::string address = readNetbiosAddress(&Netbios);
    std::printf("   the NetBIOS walk answered \"%s\"\n", address.c_str());
    bool wellFormed = address.empty() || address.size() == 17;
    for (size_t i = 0; wellFormed && i < address.size(); ++i)
        wellFormed = i % 3 == 2 ? address[i] == '-' : std::isxdigit(static_cast<unsigned char>(address[i])) != 0;
    CHECK(wellFormed);
}

int main()
{
    return PlainCheck::runAll("TestWin32");
}
