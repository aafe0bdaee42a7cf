#pragma once

#include <QUrl>

// Whether two addresses share an origin: the same scheme, host and port, a missing port counting as the scheme's
// default (80 for http, 443 for https). Anything invalid or without a host shares no origin.
bool isSameOrigin(const QUrl &address, const QUrl &origin);
