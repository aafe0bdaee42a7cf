#pragma once

#include <QString>
#include <QUrl>

// Whether an address may be handed to the system browser: http and https with a host, nothing else. The page's
// arguments are untrusted, and other schemes (file:, custom protocol handlers) would let a page start local programs
// through the desktop shell.
bool isBrowserAddress(const QUrl &url);

// Opens text, parsed tolerantly, in the system browser when it is a browser address; otherwise writes a debug line
// and opens nothing. Returns whether it was handed over.
bool openInBrowser(const QString &text);
