#include "profiletargets.h"

std::vector<std::wstring> profileTargetsBeside(const std::wstring &roamingAppDataFolder)
{
    const std::wstring::size_type lastBackslash = roamingAppDataFolder.rfind(L'\\');
    if (lastBackslash == std::wstring::npos)
        return {};
    const std::wstring root = roamingAppDataFolder.substr(0, lastBackslash) + L"\\Local\\nuvagame";
    return {
        root + L"\\cache",
        root + L"\\QtWebEngine\\Default\\GPUCache",
        root + L"\\QtWebEngine\\Default\\Cookies",
        root + L"\\QtWebEngine\\Default\\Cookies-journal",
        root + L"\\QtWebEngine\\Default\\Visited Links",
    };
}
