# Cross-compiles the 32-bit Windows build with MinGW-w64 on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QTX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${QTX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QTX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${QTX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QTX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The posix thread model gives GoogleTest std::mutex; the product itself starts no thread.
# Static runtime: the program and the tests import only Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
