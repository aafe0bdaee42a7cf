#include "platform/childprocess.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

// CreateProcess reads the handle list only once the modifier has returned, so it must live on; the GUI thread starts
// every program, one at a time, and each start replaces the last one's list.
struct HandleList
{
    STARTUPINFOEXW startup{};
    std::vector<HANDLE> handles;
    std::vector<unsigned char> storage;

    ~HandleList() { release(); }
    void release()
    {
        if (!storage.empty())
            DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data()));
        storage.clear();
    }
};

bool isInheritable(HANDLE handle)
{
    DWORD flags = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetHandleInformation(handle, &flags)
        && (flags & HANDLE_FLAG_INHERIT);
}

// Without the list the program would inherit every inheritable handle of the client. QProcess offers no way to call a
// start off from here, so the start is pointed at a program name that names no file: CreateProcess fails, and QProcess
// reports FailedToStart as for a missing program.
void refuseStart(QProcess::CreateProcessArguments *arguments)
{
    static const wchar_t nothing[] = L"";
    arguments->applicationName = nothing;
}

// A program started with handles inherited gets every inheritable handle of the client at that moment. QProcess makes
// only its pipes for the child's standard streams inheritable, but a library in the client may make others so; the
// attribute list narrows what passes to those streams.
void inheritStandardHandlesOnly(QProcess::CreateProcessArguments *arguments)
{
    static HandleList list;
    list.release();
    list.handles.clear();
    const STARTUPINFOW &startup = *arguments->startupInfo;
    if (startup.dwFlags & STARTF_USESTDHANDLES) {
        for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
            if (isInheritable(handle)
                && std::find(list.handles.begin(), list.handles.end(), handle) == list.handles.end())
                list.handles.push_back(handle);
        }
    }
    if (list.handles.empty()) {
        arguments->inheritHandles = false;
        return;
    }
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    list.storage.assign(size, 0);
    const auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.storage.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        list.storage.clear();
        refuseStart(arguments);
        return;
    }
    if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, list.handles.data(),
            list.handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
        list.release();
        refuseStart(arguments);
        return;
    }
    list.startup = {};
    list.startup.StartupInfo = startup;
    list.startup.StartupInfo.cb = sizeof(list.startup);
    list.startup.lpAttributeList = attributes;
    arguments->startupInfo = &list.startup.StartupInfo;
    arguments->flags |= EXTENDED_STARTUPINFO_PRESENT;
}

} // namespace

IsolatedProcess::IsolatedProcess(QObject *parent)
    : QProcess(parent)
{
    setCreateProcessArgumentsModifier(inheritStandardHandlesOnly);
}

void IsolatedProcess::setupChildProcess()
{ }

bool openWithDesktopOpener(const QUrl &)
{
    return false;
}
