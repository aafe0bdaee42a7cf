#pragma once

#include <QString>
#include <QUrl>

// Where the service is. The values are fixed when an executable is built (serviceaddress.cpp is compiled into each
// executable with its own constants); the client reads no configuration at run time.
namespace ServiceAddress {
QString host();
int frontEndPort();
int apiPort();
} // namespace ServiceAddress

// The service's web front end, the page the window hosts: http://<host>:<front-end port>/
QUrl frontEndUrl();

// The common prefix of every API request: http://<host>:<API port>/gpfe/api/
QString apiBaseUrl();
