#include "platform/shadercache.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <sys/statvfs.h>

namespace {

// Mesa's cache index alone is a mapped file of about 1.3 MB; a cache folder with less room than this is full to it.
constexpr qulonglong kRoomNeeded = 8 * 1024 * 1024;

// Where Mesa puts its shader cache: its own variable, else under the XDG cache folder, else under ~/.cache.
QString shaderCacheFolder()
{
    const QByteArray own = qgetenv("MESA_SHADER_CACHE_DIR");
    if (!own.isEmpty())
        return QFile::decodeName(own);
    const QByteArray xdgCache = qgetenv("XDG_CACHE_HOME");
    if (xdgCache.startsWith('/'))
        return QFile::decodeName(xdgCache) + QStringLiteral("/mesa_shader_cache");
    return QFile::decodeName(qgetenv("HOME")) + QStringLiteral("/.cache/mesa_shader_cache");
}

// The room left to this user on the file system that holds path, or on that of its nearest existing ancestor, since
// the cache folder is made on first use.
qulonglong roomFor(QString path)
{
    struct statvfs info;
    while (statvfs(QFile::encodeName(path).constData(), &info) != 0) {
        const QString parent = QDir::cleanPath(path + QStringLiteral("/.."));
        if (parent == path || path.isEmpty())
            return ~0ULL;
        path = parent;
    }
    return qulonglong(info.f_bavail) * info.f_frsize;
}

} // namespace

void keepShaderCacheOffAFullDisk()
{
    if (qEnvironmentVariableIsSet("MESA_SHADER_CACHE_DISABLE") || qEnvironmentVariableIsSet("MESA_GLSL_CACHE_DISABLE"))
        return;
    if (roomFor(shaderCacheFolder()) < kRoomNeeded)
        qputenv("MESA_SHADER_CACHE_DISABLE", "true");
}
