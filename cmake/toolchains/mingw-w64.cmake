# Windows (x86-64) programs built with MinGW-w64 on Linux and run under Wine.
# The posix-thread compilers: the win32-thread ones lack std::mutex and
# std::thread. Linked statically, the programs need only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(REFLASHER_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${REFLASHER_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${REFLASHER_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${REFLASHER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${REFLASHER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and build steps that run a program of this build run it under Wine,
# quietly, without the .NET and HTML engines Wine would offer to install.
set(CMAKE_CROSSCOMPILING_EMULATOR env;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=;wine)
