#include "workdir.h"

#include <QDir>
#include <QFile>

TestWorkDir::TestWorkDir()
    : m_previous(QDir::currentPath())
{
    QDir(m_dir.path()).mkpath(QStringLiteral("images"));
    const QDir source(QStringLiteral(NUVA_SOURCE_IMAGES));
    for (const QString &name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), m_dir.filePath(QStringLiteral("images/") + name));
    QDir(m_dir.path()).mkpath(QStringLiteral("nuvaview"));
    QFile::link(QStringLiteral(NUVA_VIEWER_PATH), m_dir.filePath(QStringLiteral("nuvaview/nuvaview.exe")));
    QDir::setCurrent(m_dir.path());
}

TestWorkDir::~TestWorkDir()
{
    QDir::setCurrent(m_previous);
}
