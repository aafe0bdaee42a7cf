// The client's page host: the browser engine's, from the module beside the program, loaded when the window first asks
// for a page.

#include "engine/enginemodule.h"
#include "window/pagehost.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibrary>
#include <QOpenGLContext>
#include <QtGui/private/qopenglcontext_p.h>

namespace {

void deleteSharedGlContext()
{
    delete qt_gl_global_share_context();
    qt_gl_set_global_share_context(nullptr);
}

// The engine draws in a GL context shared with the application's windows. It is made here, with the engine, and not
// by the application object (Qt::AA_ShareOpenGLContexts), which would keep the window off the screen meanwhile. It
// must exist before the engine's libraries load, which look for it.
void shareGlContextWithTheEngine()
{
    if (qt_gl_global_share_context())
        return;
    auto *context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    qt_gl_set_global_share_context(context);
    qAddPostRoutine(deleteSharedGlContext);
}

} // namespace

PageHost *newPageHost()
{
    shareGlContextWithTheEngine();
    // By its full path beside the program, never through the library search path or the working folder.
    QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/" NUVA_ENGINE_MODULE));
    const auto makePageHost = reinterpret_cast<PageHost *(*)()>(module.resolve(kEngineModuleFactory));
    if (!makePageHost) {
        qWarning() << "the browser engine cannot be loaded:" << module.errorString();
        return nullptr;
    }
    // The module stays loaded for the rest of the run: the QLibrary object going does not unload it.
    return makePageHost();
}
