#include "appdatafolder.h"

#include <windows.h>

#include <shlobj.h>

std::wstring appDataFolder()
{
    // Asked plainly, the shell answers nothing for a folder that is missing, and the start would then skip the
    // cleanup; asked with CSIDL_FLAG_CREATE, it creates the folder and answers it.
    LPITEMIDLIST itemList = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, &itemList);
    if (!itemList)
        return std::wstring();

    wchar_t path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(itemList, path);
    CoTaskMemFree(itemList);
    if (!found)
        return std::wstring();

    // One level, should a shell answer a path it did not create.
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(path, nullptr);
    return path;
}
