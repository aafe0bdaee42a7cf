#include "single_instance/qsingletonapp.h"

QSingletonApp::QSingletonApp(const QString &serverName)
    : m_serverName(serverName)
{ }

QSingletonApp::~QSingletonApp() = default;

bool QSingletonApp::hasOtherInstance() const
{
    return m_otherInstance;
}

void QSingletonApp::setWindowToShow(QWidget *window)
{
    m_windowToShow = window;
}
