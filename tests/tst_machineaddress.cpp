// The machine address on Linux: which adapter is chosen, how /sys/class/net is read, and the real answer here.

#include "platform/hardwareaddress.h"
#include "platform/linux/networkadapters.h"
#include "platform/machineaddress.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(QList<NetworkAdapter>)

namespace {

NetworkAdapter adapter(const char *name, int index, const char *hexAddress, bool hasDevice, bool loopback = false)
{
    return NetworkAdapter{QString::fromLatin1(name), index, loopback, hasDevice, QByteArray::fromHex(hexAddress)};
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// An interface laid out as the kernel shows it: attribute files, and a device link for device-backed ones.
void addInterface(const QDir &root, const QString &name, int index, const QByteArray &flags, const QByteArray &address,
    bool withDevice, const QByteArray &addressLength = "6")
{
    QVERIFY(root.mkpath(name));
    const QString path = root.filePath(name);
    writeFile(path + "/ifindex", QByteArray::number(index) + "\n");
    writeFile(path + "/flags", flags + "\n");
    writeFile(path + "/addr_len", addressLength + "\n");
    writeFile(path + "/address", address + "\n");
    if (withDevice) {
        const QString device = root.filePath("../../devices/" + name);
        QVERIFY(QDir().mkpath(device));
        QVERIFY(QFile::link(device, path + "/device"));
    }
}

} // namespace

class TestMachineAddress : public QObject
{
    Q_OBJECT

private slots:
    void choosesTheMachineAdapter_data();
    void choosesTheMachineAdapter();
    void formatsSixBytesInUpperCase();
    void readsInterfacesAsTheKernelListsThem();
    void answersWithThisMachinesAdapter();
};

void TestMachineAddress::choosesTheMachineAdapter_data()
{
    QTest::addColumn<QList<NetworkAdapter>>("adapters");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("none") << QList<NetworkAdapter>{} << QString();
    QTest::newRow("loopback only") << QList<NetworkAdapter>{adapter("lo", 1, "000000000000", false, true)} << QString();
    // Software interfaces often come first in index order; a device-backed adapter still wins.
    QTest::newRow("device after software interfaces") << QList<NetworkAdapter>{
        adapter("lo", 1, "000000000000", false, true), adapter("ifb0", 2, "7247ee49001a", false),
        adapter("eth0", 4, "02fc00000001", true)} << "eth0";
    QTest::newRow("lowest index among devices, whatever the list order")
        << QList<NetworkAdapter>{adapter("wlan0", 5, "aabbccddeeff", true), adapter("eth0", 3, "020000000001", true)}
        << "eth0";
    QTest::newRow("no device: first non-loopback") << QList<NetworkAdapter>{
        adapter("lo", 1, "000000000000", false, true), adapter("br0", 7, "0a0000000007", false),
        adapter("ifb0", 2, "0a0000000002", false)} << "ifb0";
    QTest::newRow("device without a 6-byte address is passed over") << QList<NetworkAdapter>{
        adapter("ib0", 2, "80000000fe800000000000000002", true),
        adapter("eth1", 9, "020000000009", true)} << "eth1";
    QTest::newRow("a device loopback never counts") << QList<NetworkAdapter>{
        adapter("lo", 1, "000000000000", true, true),
        adapter("tap0", 3, "0e0000000003", false)} << "tap0";
}

void TestMachineAddress::choosesTheMachineAdapter()
{
    QFETCH(QList<NetworkAdapter>, adapters);
    QFETCH(QString, chosen);
    const auto adapter = chooseMachineAdapter(adapters);
    QCOMPARE(adapter ? adapter->name : QString(), chosen);
}

void TestMachineAddress::formatsSixBytesInUpperCase()
{
    const unsigned char bytes[6] = {0x0a, 0xff, 0x00, 0x1b, 0xc0, 0x09};
    QCOMPARE(QString::fromStdString(formatHardwareAddress(bytes)), QStringLiteral("0A-FF-00-1B-C0-09"));
}

void TestMachineAddress::readsInterfacesAsTheKernelListsThem()
{
    QTemporaryDir sys;
    const QDir root(sys.path() + "/class/net");
    QVERIFY(root.mkpath("."));
    addInterface(root, "lo", 1, "0x9", "00:00:00:00:00:00", false);
    addInterface(root, "ifb0", 2, "0x82", "72:47:ee:49:00:1a", false);
    addInterface(root, "eth0", 4, "0x1003", "02:fc:00:00:00:01", true);
    addInterface(root, "ip6tnl0", 3, "0x80", "00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00", true, "16");

    const QList<NetworkAdapter> adapters = readNetworkAdapters(root.path());
    QCOMPARE(adapters.size(), 4);
    for (const NetworkAdapter &adapter : adapters) {
        if (adapter.name == "lo") {
            QVERIFY(adapter.loopback);
            QCOMPARE(adapter.index, 1);
        } else if (adapter.name == "eth0") {
            QVERIFY(!adapter.loopback);
            QVERIFY(adapter.hasDevice);
            QCOMPARE(adapter.hardwareAddress, QByteArray::fromHex("02fc00000001"));
        } else if (adapter.name == "ip6tnl0") {
            QVERIFY(adapter.hardwareAddress.isEmpty());
        } else {
            QVERIFY(!adapter.hasDevice);
        }
    }
    QCOMPARE(chooseMachineAdapter(adapters)->name, QStringLiteral("eth0"));
}

void TestMachineAddress::answersWithThisMachinesAdapter()
{
    const QString address = readMachineAddress();
    QCOMPARE(address, readMachineAddress()); // the same answer every time

    // What a person would pick from /sys/class/net: the lowest-index device-backed, non-loopback adapter.
    const QDir net(QStringLiteral("/sys/class/net"));
    int bestIndex = INT_MAX;
    QString expected;
    for (const QString &name : net.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        auto read = [&](const char *attribute) {
            QFile file(net.filePath(name) + "/" + attribute);
            return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
        };
        const bool loopback = read("flags").toUInt(nullptr, 16) & 0x8;
        if (loopback || !QFile::exists(net.filePath(name) + "/device") || read("addr_len") != "6")
            continue;
        if (read("ifindex").toInt() < bestIndex) {
            bestIndex = read("ifindex").toInt();
            expected = read("address").toUpper().replace(':', '-');
        }
    }
    if (expected.isEmpty())
        QSKIP("this machine has no device-backed adapter to compare with");
    QCOMPARE(address, expected);
    QVERIFY(QRegularExpression("^([0-9A-F]{2}-){5}[0-9A-F]{2}$").match(address).hasMatch());
}

QTEST_GUILESS_MAIN(TestMachineAddress)
#include "tst_machineaddress.moc"
