#pragma once

#include <QJsonDocument>
#include <QJsonObject>

// The "data" object that the service's answers carry in their envelope, read by exact name: empty when the document
// is not an object, has no "data", or its "data" is not an object.
QJsonObject serviceData(const QJsonDocument &reply);
