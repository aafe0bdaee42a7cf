#pragma once

#include <string>

// Formats a 6-byte hardware address as "0A-1B-2C-3D-4E-5F": upper case, two digits a byte, joined by "-".
// Plain C++ so the Windows code can use it without Qt.
std::string formatHardwareAddress(const unsigned char address[6]);
