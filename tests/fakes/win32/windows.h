// Just enough of the Windows headers for the NetBIOS walk to compile on Linux, where it is tested against a
// scripted stand-in. The real ones are used when building for Windows.
#pragma once

typedef unsigned char UCHAR;
typedef UCHAR *PUCHAR;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef void *HANDLE;
#define CALLBACK
