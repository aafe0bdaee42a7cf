#include "networkadapters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// IFF_LOOPBACK in the interface's flags; lo also has a 6-byte (all-zero) address, so the flag is what tells.
constexpr unsigned kLoopbackFlag = 0x8;

QString readAttribute(const QString &interfacePath, const char *attribute)
{
    QFile file(interfacePath + QLatin1Char('/') + QLatin1String(attribute));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.read(256)).trimmed();
}

} // namespace

QList<NetworkAdapter> readNetworkAdapters(const QString &root)
{
    QList<NetworkAdapter> adapters;
    const QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString path = dir.filePath(name);
        NetworkAdapter adapter;
        adapter.name = name;
        adapter.index = readAttribute(path, "ifindex").toInt();
        adapter.loopback = readAttribute(path, "flags").toUInt(nullptr, 16) & kLoopbackFlag;
        adapter.hasDevice = QFileInfo::exists(path + QStringLiteral("/device"));
        if (readAttribute(path, "addr_len") == QLatin1String("6"))
            adapter.hardwareAddress = QByteArray::fromHex(readAttribute(path, "address").toLatin1());
        adapters.append(adapter);
    }
    return adapters;
}

std::optional<NetworkAdapter> chooseMachineAdapter(QList<NetworkAdapter> adapters)
{
    std::stable_sort(adapters.begin(), adapters.end(),
        [](const NetworkAdapter &a, const NetworkAdapter &b) { return a.index < b.index; });
    const auto usable
        = [](const NetworkAdapter &adapter) { return !adapter.loopback && adapter.hardwareAddress.size() == 6; };
    for (const NetworkAdapter &adapter : adapters) {
        if (usable(adapter) && adapter.hasDevice)
            return adapter;
    }
    for (const NetworkAdapter &adapter : adapters) {
        if (usable(adapter))
            return adapter;
    }
    return std::nullopt;
}
