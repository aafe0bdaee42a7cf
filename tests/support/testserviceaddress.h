#pragma once

#include <QString>

// Tests link this instead of the client's compiled-in service address, so each test can point the client at a
// server of its own on an ephemeral port.
void setTestServiceAddress(const QString &host, int frontEndPort, int apiPort);
