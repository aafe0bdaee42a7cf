#pragma once

#include <QObject>
#include <QUrl>

class QWidget;

// What shows the service's page in the window. The window knows this and nothing of the browser engine behind it:
// app/ chooses the host, the engine's own (engine/) in the client, a plain stand-in where there is no engine.
class PageHost : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The widget that shows the page. The window places it; the host deletes it when it goes itself.
    virtual QWidget *view() = 0;
    // Starts loading the page at url.
    virtual void load(const QUrl &url) = 0;
    // What F5 asks: the page again, in a fresh renderer where the present one does not answer.
    virtual void reload() = 0;
    // The address of what the page shows now.
    virtual QUrl shownUrl() const = 0;
    // Makes object reachable from the page under name, from the first load on; the host owns it.
    virtual void publish(const QString &name, QObject *object) = 0;

signals:
    // A load has ended, successfully or not.
    void loadFinished();
};

// Makes a page host, which belongs to the caller.
using PageHostFactory = PageHost *(*)();

// The page host of this program: the browser engine's in the client (engine/), defined by what the program links.
PageHost *newPageHost();
