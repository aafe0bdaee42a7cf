#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary working directory laid out like the client's (./images/ with its pictures, ./nuvaview/nuvaview.exe the
// stand-in viewer), made current for the life of the object. The client looks its pictures up relative to the working
// directory.
class TestWorkDir
{
public:
    TestWorkDir();
    ~TestWorkDir();
    TestWorkDir(const TestWorkDir &) = delete;
    TestWorkDir &operator=(const TestWorkDir &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
