# Cross-builds the Windows x64 programs with Debian's mingw-w64 (POSIX
# threads) against a Qt 5 built for it, and runs what the build runs (the
# tests) under Wine. The Qt folder comes in as QV_QT_PREFIX, the prefix of
# the other libraries built for Windows (scripts/windows-deps.sh: QuaZip) as
# QV_WIN_DEPS; Debian's own mingw-w64 libraries (zlib) are found in
# /usr/x86_64-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# try_compile projects see the toolchain again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QV_QT_PREFIX QV_WIN_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QV_QT_PREFIX} ${QV_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_PREFIX_PATH ${QV_QT_PREFIX} ${QV_WIN_DEPS})

# Under Wine, the DLLs are found through the folders given to the runner.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --qt ${QV_QT_PREFIX})
if(QV_WIN_DEPS)
    list(APPEND CMAKE_CROSSCOMPILING_EMULATOR --dlls ${QV_WIN_DEPS}/bin)
endif()
