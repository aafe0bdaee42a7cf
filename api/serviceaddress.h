#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where the service is, and which authority vouches for it. The values are fixed when an executable is built
// (serviceaddress.cpp is compiled into each executable with its own constants); the client reads no configuration at
// run time.
namespace ServiceAddress {
QString scheme(); // "http" or "https"
QString host();
int frontEndPort();
int apiPort();
// The service's own certificate authority as PEM, the only one its certificates are checked against; empty for the
// system's trust.
QByteArray authority();
} // namespace ServiceAddress

// The service's web front end, the page the window hosts: <scheme>://<host>:<front-end port>/
QUrl frontEndUrl();

// The common prefix of every API request: <scheme>://<host>:<API port>/gpfe/api/
QString apiBaseUrl();
