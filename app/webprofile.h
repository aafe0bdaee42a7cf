#pragma once

// Deletes the embedded browser's cache, cookies and visited links left by earlier runs. Uses only file-system
// calls, so it can run before the application object exists.
void clearWebProfile();
