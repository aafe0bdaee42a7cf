#pragma once

#include "platform/childprocess.h"

#include <QString>

// Starts the viewer for a launch parameter in process, as the client does: "./nuvaview/nuvaview.exe " and the
// parameter, split as a command line is (quotes group words), relative to the working directory. Its standard error
// goes where the client's does; only its standard output is read, and it receives nothing else of the client.
// Returns once it has started or failed to.
void startViewer(IsolatedProcess &process, const QString &param);
