// The Win32 process code on Windows (Wine here), with real child processes: copies of this program under names of
// their own, which sleep or launch a sleeping child and leave.

#include "plaincheck.h"
#include "platform/win/endingprocesses.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring ownPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// This program under another image name, in the temporary folder.
std::wstring copyNamed(const std::wstring &imageName)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring copy = folder + imageName;
    CopyFileW(ownPath().c_str(), copy.c_str(), FALSE);
    return copy;
}

// A child process, ended and closed when the object goes.
class Child
{
public:
    Child(const std::wstring &program, const std::wstring &arguments)
    {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessW(
                program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_info))
            m_info = {};
        else
            CloseHandle(m_info.hThread);
    }
    ~Child()
    {
        if (m_info.hProcess) {
            TerminateProcess(m_info.hProcess, 1);
            CloseHandle(m_info.hProcess);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    bool started() const { return m_info.hProcess != nullptr; }
    bool running() const { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD pid() const { return m_info.dwProcessId; }
    // Waits (bounded) for it to end and gives its exit code.
    DWORD exitCode() const
    {
        DWORD code = 0;
        WaitForSingleObject(m_info.hProcess, 10000);
        GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_info = {};
};

// The system's taskkill, run to its end like QProcess::execute does.
void taskkill(const std::wstring &imageName)
{
    Child command(L"C:\\windows\\system32\\taskkill.exe", L"/im " + imageName + L" /f");
    command.exitCode();
}

// Opens a process by ID to see whether it still runs.
bool isRunning(DWORD pid)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    const bool running = process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process)
        CloseHandle(process);
    return running;
}

} // namespace

PLAIN_TEST(theKillWaitsUntilTaskkillsProcessesHaveGone)
{
    const std::wstring image = L"nuvakill-wait.exe";
    const std::wstring program = copyNamed(image);
    Child first(program, L"--sleep");
    Child second(program, L"--sleep");
    Child spared(program, L"--sleep");
    CHECK(first.started() && second.started() && spared.started());

    const EndingProcesses ending(image, spared.pid());
    CHECK(ending.count() == 2);
    taskkill(image);
    CHECK(ending.waitForEnd(2000));
    // The moment the wait returns, both have ended (the spared one was only left out of the wait).
    CHECK(!first.running() && !second.running());
}

PLAIN_TEST(theWaitIsBounded)
{
    const std::wstring image = L"nuvakill-bound.exe";
    Child sleeper(copyNamed(image), L"--sleep");
    CHECK(sleeper.started());
    const EndingProcesses ending(image);
    CHECK(ending.count() == 1);
    // Nothing kills it: the wait gives up, and it still runs.
    CHECK(!ending.waitForEnd(300));
    CHECK(sleeper.running());
}

PLAIN_TEST(aProcessThatHasAlreadyGoneEndsTheWaitAtOnce)
{
    const std::wstring image = L"nuvakill-gone.exe";
    const std::wstring program = copyNamed(image);
    Child before(program, L"--exit");
    CHECK(before.exitCode() == 0); // gone before the kill looks
    Child after(program, L"--sleep");
    CHECK(after.started());

    const EndingProcesses ending(image);
    CHECK(ending.count() == 1);
    ending.terminate();
    CHECK(ending.waitForEnd(2000));
    CHECK(ending.waitForEnd(0));
    CHECK(!after.running());
}

PLAIN_TEST(onlyProcessesWhoseLauncherHasEndedAreKilled)
{
    const std::wstring image = L"nuvakill-engine.exe";
    const std::wstring program = copyNamed(image);
    // The launcher starts a sleeping engine-named child, exits with its ID and so leaves it behind.
    Child launcher(program, L"--launch");
    const DWORD leftover = launcher.exitCode();
    Child live(program, L"--sleep"); // its launcher, this test, lives
    CHECK(leftover != 0 && isRunning(leftover) && live.started());

    killLeftoverProcesses(image);
    CHECK(!isRunning(leftover));
    CHECK(live.running());
    if (const HANDLE stray = OpenProcess(PROCESS_TERMINATE, FALSE, leftover)) {
        TerminateProcess(stray, 1);
        CloseHandle(stray);
    }
}

PLAIN_TEST(aProcessIsEndedByIdOnlyAsAChildUnderItsImageName)
{
    const std::wstring image = L"nuvaend-engine.exe";
    const std::wstring program = copyNamed(image);
    Child renderer(program, L"--sleep");
    CHECK(renderer.started());

    CHECK(!terminateChildNamed(renderer.pid(), L"nuvaend-other.exe"));
    CHECK(renderer.running());
    CHECK(terminateChildNamed(renderer.pid(), image));
    CHECK(renderer.exitCode() == 1);

    // Of the engine's name but not this process's child: another program's, say, under an ID the engine once had.
    Child launcher(program, L"--launch");
    const DWORD stranger = launcher.exitCode();
    CHECK(stranger != 0 && isRunning(stranger));
    CHECK(!terminateChildNamed(stranger, image));
    CHECK(isRunning(stranger));
    if (const HANDLE stray = OpenProcess(PROCESS_TERMINATE, FALSE, stranger)) {
        TerminateProcess(stray, 1);
        CloseHandle(stray);
    }
}

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--sleep") {
        Sleep(30000);
        return 0;
    }
    if (mode == "--exit")
        return 0;
    if (mode == "--launch") {
        // Started without the wrapper, which would end it: it is to outlive this process.
        std::wstring commandLine = L"\"" + ownPath() + L"\" --sleep";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        if (!CreateProcessW(
                ownPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
            return 0;
        return int(child.dwProcessId);
    }
    return PlainCheck::runAll("TestProcessesWin");
}
