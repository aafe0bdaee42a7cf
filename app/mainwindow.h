#pragma once

#include "window/pagehost.h"

class VueDialog;

// Creates the main window with its fixed size, frameless look and background, and shows it (not modally). Its page
// host comes from newPageHost once the window asks for it.
VueDialog *openMainWindow(PageHostFactory newPageHost);
