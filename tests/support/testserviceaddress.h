#pragma once

#include <QString>

// Tests link this instead of the client's compiled-in service address, so each test can point the client at a
// server of its own on an ephemeral port.
void setTestServiceAddress(const QString &host, int frontEndPort, int apiPort);
// The scheme (http until set) and the pinned authority's PEM text (none until set).
void setTestServiceTrust(const QString &scheme, const QByteArray &authority);
