#pragma once

#include <QString>

/**
 * Processes by image name: the executable's file name, for example "nuvaview.exe".
 */

/**
 * The image names of the browser engine's helper processes ("QtWebEngineProcess.exe" on Windows) and of the client
 * itself ("nuvagame.exe" on Windows).
 */
QString browserEngineImageName();
QString clientImageName();

/**
 * The streaming viewer's image name, by which the client probes for it and kills it: "nuvaview.exe" on every system
 * (the stand-in viewer is built under the Windows name).
 */
inline QString viewerImageName()
{
    return QStringLiteral("nuvaview.exe");
}

/**
 * Ends every process of the current user with this image name and returns once each is gone (at most about 2 s on
 * Linux). Nothing reports a process that could not be ended. Like "taskkill /im NAME /f" on Windows.
 */
void killProcessesByImageName(const QString &imageName);

/**
 * Like killProcessesByImageName, but spares the calling process itself.
 */
void killOtherProcessesByImageName(const QString &imageName);

/**
 * Ends the current user's browser-engine processes that an earlier run left behind: those whose launching program has
 * ended, whichever process adopted them since. Those of a live program that hosts the engine, this client's or
 * another's under any name, are spared.
 */
void killLeftoverBrowserEngineProcesses();

/**
 * Ends at once this client's browser-engine process with this ID (a renderer, say), as a task manager would, without
 * waiting for its end, and tells whether it did. Does nothing when the ID names no such process (any more): an ID can
 * pass to a new process once the old one has gone, the viewer's or another program's: the process must be of the
 * engine's image name and below the client (on Windows, where the engine's processes are the client's children, one of
 * those, run as the current user).
 */
bool killBrowserEngineProcess(qint64 pid);

/**
 * Lists the running processes of this image name in the shape of "tasklist -fi "imagename eq NAME"": a header row
 * containing "PID" and a row per running process, or an INFO line without "PID" when none runs. A process that has
 * ended but not yet been reaped by its parent is not running. On Windows this runs tasklist (at most 30 s) and
 * decodes its output in the local 8-bit code page.
 */
QString listProcessesByImageName(const QString &imageName);
