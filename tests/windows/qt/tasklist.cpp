// What the real tasklist prints for -fi "imagename eq NAME", from the system's process list: a table with a "PID"
// column and a row per process of that name, or an INFO line when there is none.

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    std::wstring image;
    const std::wstring prefix = L"imagename eq ";
    for (int i = 1; i + 1 < argc; ++i) {
        const std::wstring filter = argv[i + 1];
        if ((std::wstring(argv[i]) == L"-fi" || std::wstring(argv[i]) == L"/fi") && filter.rfind(prefix, 0) == 0)
            image = filter.substr(prefix.size());
    }
    std::string rows;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (CompareStringOrdinal(entry.szExeFile, -1, image.c_str(), -1, TRUE) != CSTR_EQUAL)
            continue;
        char row[160];
        std::snprintf(row, sizeof row, "%-25ls %8lu Console                    1     10,000 K\r\n", entry.szExeFile,
            entry.th32ProcessID);
        rows += row;
    }
    CloseHandle(snapshot);
    if (rows.empty()) {
        std::printf("INFO: No tasks are running which match the specified criteria.\r\n");
        return 0;
    }
    std::printf("\r\nImage Name                     PID Session Name        Session#    Mem Usage\r\n"
                "========================= ======== ================ =========== ============\r\n%s",
        rows.c_str());
    return 0;
}
