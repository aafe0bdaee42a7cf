#pragma once

#include <string>

// The user's roaming application-data folder as the shell reports it, created when it does not exist; the empty
// string when the shell cannot say.
std::wstring appDataFolder();
