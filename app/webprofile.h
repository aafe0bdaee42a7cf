#pragma once

#include "platform/filesinuse.h"

#include <QString>

// Deletes the embedded browser's disk cache, GPU cache, cookies and visited links left by earlier runs. Uses only
// file-system calls, so it can run before the application object exists. Whatever cannot be deleted stays, silently,
// and so does whatever a running client's engine holds open.
void clearWebProfile();

// Deletes the file at path, or the folder with everything it lists. Hidden entries are not listed, so a folder that
// holds one is kept with it. A symbolic link is removed itself and never followed. Returns false when path is empty or
// nothing exists there, true otherwise, whether or not everything could be deleted. Files in inUse stay, and with
// them the folders that hold them.
bool removePathTree(const QString &path, const FilesInUse &inUse = FilesInUse());
