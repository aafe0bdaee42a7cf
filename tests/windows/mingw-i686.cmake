# 32-bit Windows, the client's own target (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
