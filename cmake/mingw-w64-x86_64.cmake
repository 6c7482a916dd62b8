# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DBRACKMOOR_QT_PREFIX=/var/cache/brackmoor-win/qt-6.4.2-<key>
#
# BRACKMOOR_QT_PREFIX (or the environment variable of that name) is the Qt built for MinGW by
# scripts/windows/build-qt; packages are searched there as well as in the MinGW root. The Qt
# build itself uses this file without a prefix.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRACKMOOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRACKMOOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRACKMOOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRACKMOOR_MINGW_TRIPLE}-windres)

if(NOT BRACKMOOR_QT_PREFIX AND DEFINED ENV{BRACKMOOR_QT_PREFIX})
    set(BRACKMOOR_QT_PREFIX "$ENV{BRACKMOOR_QT_PREFIX}")
endif()
# try_compile projects get the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRACKMOOR_QT_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${BRACKMOOR_MINGW_TRIPLE} ${BRACKMOOR_QT_PREFIX})
# Programs run on the build machine; libraries, headers and packages are the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
