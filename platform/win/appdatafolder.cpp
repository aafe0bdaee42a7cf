#include "appdatafolder.h"

#include <windows.h>

#include <shlobj.h>

std::wstring appDataFolder()
{
    LPITEMIDLIST itemList = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &itemList) != S_OK || !itemList)
        return std::wstring();

    wchar_t path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(itemList, path);
    CoTaskMemFree(itemList);
    if (!found)
        return std::wstring();

    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(path, nullptr);
    return path;
}
