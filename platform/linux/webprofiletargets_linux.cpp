#include "platform/webprofiletargets.h"

#include <QDir>
#include <QFile>

namespace {

// An XDG base folder as the browser's profile finds it: the variable when it is set, else its default in the home
// folder.
QString xdgFolder(const char *variable, const QString &defaultInHome)
{
    const QString folder = QFile::decodeName(qgetenv(variable));
    return folder.isEmpty() ? QDir::homePath() + defaultInHome : folder;
}

} // namespace

QStringList webProfileTargets()
{
    const QString cache = xdgFolder("XDG_CACHE_HOME", QStringLiteral("/.cache")) + QStringLiteral("/nuvagame");
    const QString profile
        = xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/nuvagame/QtWebEngine/Default");
    return {
        cache,
        profile + QStringLiteral("/GPUCache"),
        profile + QStringLiteral("/Cookies"),
        profile + QStringLiteral("/Cookies-journal"),
        profile + QStringLiteral("/Visited Links"),
    };
}
