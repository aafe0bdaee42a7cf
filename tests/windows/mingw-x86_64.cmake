# 64-bit Windows (g++-mingw-w64-x86-64): the same Win32 code, for machines whose Wine runs only 64-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
