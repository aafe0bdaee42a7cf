# Cross-compiling for Windows with Debian's MinGW-w64, for the processor that the including file sets. Qt needs the
# compilers' posix threading variant; programs link the runtimes statically and need only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(NUVA_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${NUVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NUVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NUVA_MINGW_TRIPLE}-windres)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_FIND_ROOT_PATH /usr/${NUVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Qt for Windows lies outside the compilers' root, named by CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
