#pragma once

#include <string>
#include <vector>

// The profile entries the browser keeps for "nuvagame" beside the user's roaming application-data folder: the
// folder's parent followed by "\Local\nuvagame" and each entry's suffix, in the order they are deleted. None when
// the folder's path holds no backslash (the empty path included).
std::vector<std::wstring> profileTargetsBeside(const std::wstring &roamingAppDataFolder);
