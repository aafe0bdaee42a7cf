#pragma once

#include <QJsonDocument>
#include <QString>

#include <optional>

// The download address when the service's version reply offers an update: any non-empty "data" object of a top-level
// object does, whatever it holds, and its "downloadUrl" (empty when missing or not a string) is the address. Nothing
// otherwise: a null document, an array, no "data", or "data" empty or not an object.
std::optional<QString> offeredDownload(const QJsonDocument &reply);
