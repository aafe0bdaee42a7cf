#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The processes of one image name that this user may end, found before they are killed and held by handle, so that
// their end can be awaited, even once their IDs are given to new processes.
class EndingProcesses
{
public:
    // Every process named imageName (case ignored) that can be opened to end and to wait on, but the one with the ID
    // spare.
    explicit EndingProcesses(const std::wstring &imageName, DWORD spare = 0);
    ~EndingProcesses();
    EndingProcesses(const EndingProcesses &) = delete;
    EndingProcesses &operator=(const EndingProcesses &) = delete;

    size_t count() const { return m_processes.size(); }
    // Ends each of them at once.
    void terminate() const;
    // Waits until each has ended, timeoutMs at most in all; true when all have.
    bool waitForEnd(DWORD timeoutMs) const;

private:
    std::vector<HANDLE> m_processes;
};

// Ends the current user's processes of imageName that an earlier run left behind, those whose launching program has
// ended, and waits (at most 2 s) until they are gone.
void killLeftoverProcesses(const std::wstring &imageName);

// Ends the process with this ID when it is a child of this process, is named imageName (case ignored) and runs as the
// current user; false otherwise. It does not wait for the end.
bool terminateChildNamed(DWORD pid, const std::wstring &imageName);
