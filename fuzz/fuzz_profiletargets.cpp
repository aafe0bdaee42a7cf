// Where the profile cleanup deletes: the Windows targets beside whatever folder the shell answers, and the Linux
// targets under whatever the XDG variables and HOME say.

#include "platform/webprofiletargets.h"
#include "platform/win/profiletargets.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

bool endsWith(const std::wstring &text, const std::wstring &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const std::vector<std::wstring> windows = profileTargetsBeside(text.toStdWString());
    // Five targets, each ending in its suffix, or none at all.
    if (!windows.empty()) {
        if (windows.size() != 5 || !endsWith(windows[0], L"\\Local\\nuvagame\\cache")
            || !endsWith(windows[4], L"\\QtWebEngine\\Default\\Visited Links"))
            std::abort();
    }

    // The text split in three, for the three variables the Linux targets read.
    const QStringList parts = text.split(QLatin1Char('\n'));
    qputenv("HOME", parts.value(0).toUtf8());
    qputenv("XDG_CACHE_HOME", parts.value(1).toUtf8());
    qputenv("XDG_DATA_HOME", parts.value(2).toUtf8());
    const QStringList xdgTargets = webProfileTargets();
    if (xdgTargets.size() != 5 || !xdgTargets[0].endsWith(QLatin1String("/nuvagame"))
        || !xdgTargets[4].endsWith(QLatin1String("/nuvagame/QtWebEngine/Default/Visited Links")))
        std::abort();
    return 0;
}
