#pragma once

class VueDialog;

// Creates the main window with its fixed size, frameless look and background, and shows it (not modally).
VueDialog *openMainWindow();
