// What Windows itself says of the client's window, and what it asks of it, for the checks of the window under Wine:
//   windowprobe style      the window's style bits, in hexadecimal
//   windowprobe iconic     1 when Windows has it minimised, else 0
//   windowprobe minimize   asks it to minimise (WM_SYSCOMMAND SC_MINIMIZE), as its task bar button does
//   windowprobe restore    asks it to come back (WM_SYSCOMMAND SC_RESTORE)
// The window is the top-level one titled "nuvagame". Exits 1 when there is none, 2 on a command it does not know.

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    const HWND window = FindWindowW(nullptr, L"nuvagame");
    if (!window) {
        std::puts("no window titled nuvagame");
        return 1;
    }
    const std::wstring command = argc == 2 ? argv[1] : L"";
    if (command == L"style")
        std::printf("%08lx\n", static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)));
    else if (command == L"iconic")
        std::printf("%d\n", IsIconic(window) ? 1 : 0);
    else if (command == L"minimize" || command == L"restore")
        SendMessageW(window, WM_SYSCOMMAND, command == L"minimize" ? SC_MINIMIZE : SC_RESTORE, 0);
    else
        return 2;
    return 0;
}
