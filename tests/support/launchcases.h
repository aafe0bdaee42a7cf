#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Launch parameters of the page and what comes of them, the same on every system: the arguments the viewer gets,
// and how the order confirmation's request line starts.
struct LaunchCase
{
    const char *name;
    QString param;
    QStringList arguments;
    QString confirmation;
};

inline QList<LaunchCase> launchCases()
{
    return {
        {"three words", "demo order-1 1080p", {"demo", "order-1", "1080p"}, "confirm_connect?uuid=order-1 "},
        {"quoted group", "demo \"order 2\" x", {"demo", "order 2", "x"}, "confirm_connect?uuid=%22order "},
        {"three double quotes", "demo \"\"\"order-4\"\"\" x", {"demo", "\"order-4\"", "x"},
            "confirm_connect?uuid=%22%22%22order-4%22%22%22 "},
        {"two spaces", "demo  order-3", {"demo", "order-3"}, "confirm_connect?uuid= "},
    };
}
