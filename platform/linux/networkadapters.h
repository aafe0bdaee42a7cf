#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One network interface as the kernel lists it under /sys/class/net.
struct NetworkAdapter
{
    QString name;
    int index = 0;
    bool loopback = false;
    // Backed by a device (a real or virtual NIC) rather than a software interface such as a bridge or ifb, whose
    // addresses may change at every boot.
    bool hasDevice = false;
    QByteArray hardwareAddress;
};

// Reads every interface under root (normally /sys/class/net). Unreadable entries give empty fields.
QList<NetworkAdapter> readNetworkAdapters(const QString &root);

// The adapter that identifies the machine: the first in index order that has a device, is not loopback and has a
// 6-byte address; failing that, the first non-loopback one with a 6-byte address.
std::optional<NetworkAdapter> chooseMachineAdapter(QList<NetworkAdapter> adapters);
