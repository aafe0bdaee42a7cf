#include "platform/win/endingprocesses.h"

#include "platform/killwait.h"

#include <tlhelp32.h>

#include <algorithm>
#include <set>

namespace {

struct Snapshotted
{
    DWORD pid;
    DWORD parent;
    std::wstring image;
};

std::vector<Snapshotted> runningProcesses()
{
    std::vector<Snapshotted> processes;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return processes;
}

bool sameImage(const std::wstring &a, const std::wstring &b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The user a process runs as, as the bytes of its SID; empty when it cannot be read.
std::vector<BYTE> userOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    std::vector<BYTE> sid;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const PSID user = reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid;
        const BYTE *bytes = static_cast<const BYTE *>(user);
        sid.assign(bytes, bytes + GetLengthSid(user));
    }
    CloseHandle(token);
    return sid;
}

// When the process was created, or 0 when that cannot be read.
ULONGLONG createdAt(DWORD pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return 0;
    FILETIME created, exited, kernel, user;
    ULONGLONG when = 0;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        when = (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    CloseHandle(process);
    return when;
}

// Waits until each has ended, timeoutMs at most in all; true when all have.
bool waitForAll(const std::vector<HANDLE> &processes, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool allEnded = true;
    for (const HANDLE process : processes) {
        const ULONGLONG now = GetTickCount64();
        allEnded
            = WaitForSingleObject(process, now < deadline ? DWORD(deadline - now) : 0) == WAIT_OBJECT_0 && allEnded;
    }
    return allEnded;
}

} // namespace

EndingProcesses::EndingProcesses(const std::wstring &imageName, DWORD spare)
{
    for (const Snapshotted &process : runningProcesses()) {
        if (process.pid == spare || !sameImage(process.image, imageName))
            continue;
        if (const HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.pid))
            m_processes.push_back(handle);
    }
}

EndingProcesses::~EndingProcesses()
{
    for (const HANDLE process : m_processes)
        CloseHandle(process);
}

void EndingProcesses::terminate() const
{
    for (const HANDLE process : m_processes)
        TerminateProcess(process, 1);
}

bool EndingProcesses::waitForEnd(DWORD timeoutMs) const
{
    return waitForAll(m_processes, timeoutMs);
}

void killLeftoverProcesses(const std::wstring &imageName)
{
    // Windows gives no process a new parent, so a process whose parent has gone was left by an earlier run. A
    // parent ID can be reused, though: a process younger than its child is not its parent.
    const std::vector<Snapshotted> processes = runningProcesses();
    std::set<DWORD> running;
    for (const Snapshotted &process : processes)
        running.insert(process.pid);
    const std::vector<BYTE> me = userOf(GetCurrentProcess());

    std::vector<HANDLE> ending;
    for (const Snapshotted &process : processes) {
        if (!sameImage(process.image, imageName))
            continue;
        const ULONGLONG born = createdAt(process.pid);
        // A parent whose age cannot be read (another user's, say) counts as the launcher.
        const bool launcherLives = running.count(process.parent) && createdAt(process.parent) <= born;
        if (launcherLives)
            continue;
        const HANDLE handle
            = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.pid);
        if (!handle)
            continue;
        // An elevated client may open any user's processes; it ends only its own user's.
        if (!me.empty() && userOf(handle) == me && TerminateProcess(handle, 1))
            ending.push_back(handle);
        else
            CloseHandle(handle);
    }

    waitForAll(ending, kKillWaitMs);
    for (const HANDLE process : ending)
        CloseHandle(process);
}

bool terminateChildNamed(DWORD pid, const std::wstring &imageName)
{
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    // Looked up while the handle holds the process, so that its ID cannot pass to another meanwhile.
    const std::vector<Snapshotted> running = runningProcesses();
    const bool child = std::any_of(running.begin(), running.end(),
        [pid](const Snapshotted &entry) { return entry.pid == pid && entry.parent == GetCurrentProcessId(); });
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    bool ended = false;
    if (QueryFullProcessImageNameW(process, 0, path, &length)) {
        const std::wstring image(path, length);
        const std::wstring fileName = image.substr(image.find_last_of(L"\\/") + 1);
        const std::vector<BYTE> me = userOf(GetCurrentProcess());
        ended = child && sameImage(fileName, imageName) && !me.empty() && userOf(process) == me
            && TerminateProcess(process, 1);
    }
    CloseHandle(process);
    return ended;
}
