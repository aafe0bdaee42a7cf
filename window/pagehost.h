#pragma once

#include <QObject>
#include <QUrl>

#include <functional>

class QWidget;

// What shows the service's page in the window. The window knows this and nothing of the browser engine behind it:
// app/ chooses the host, the engine's own (engine/) in the client, a plain stand-in where there is no engine.
// It has no meta-object of its own: the client loads the engine's host from a module, which would hold a second one.
class PageHost : public QObject
{
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

    // What to do whenever a load has ended, successfully or not.
    void setLoadFinishedHandler(std::function<void()> handler) { m_loadFinished = std::move(handler); }

protected:
    // For the host to tell that a load has ended.
    void loadFinished() const
    {
        if (m_loadFinished)
            m_loadFinished();
    }

private:
    std::function<void()> m_loadFinished;
};

// Makes a page host, which belongs to the caller.
using PageHostFactory = PageHost *(*)();

// The page host of this program, defined by what the program links: in the client, the browser engine's (engine/),
// from the module it loads then; none when that cannot be loaded.
PageHost *newPageHost();
