#pragma once

#include <windows.h>

#include <nb30.h>

#include <functional>
#include <string>

// The NetBIOS entry point, passed in so that the walk can be tested against a scripted stand-in.
using NetbiosFunction = std::function<UCHAR(PNCB)>;

// Enumerates the LANA numbers and returns the formatted hardware address of the first adapter whose reset and
// status query both succeed; the empty string when none does.
std::string readNetbiosAddress(const NetbiosFunction &netbios);
