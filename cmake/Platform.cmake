# Compiler flags and platform seams, in one place.
#
# brackmoor_flags is an interface target that every target of the project links: the
# definitions and warnings the code is written against, chosen per compiler.
#
# Code that exists on one system only is chosen here, never found by probing headers:
#   BRACKMOOR_USE_LINUX  Linux interfaces (TCP_INFO, signalfd, madvise, SIOCOUTQ, /proc)
#   BRACKMOOR_USE_XCB    the X11 connection that Qt's xcb platform plugin uses
#   BRACKMOOR_USE_WIN32  Windows interfaces (the system's ANSI code page, the console's
#                        control handler)
# Each such path has a portable fallback. BRACKMOOR_PORTABLE_FALLBACKS builds the fallbacks
# on Linux too, so that CI compiles and tests them.

option(BRACKMOOR_WERROR "Treat compiler warnings as errors" OFF)
option(BRACKMOOR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BRACKMOOR_PORTABLE_FALLBACKS
       "Build the portable fallback of every system-specific path, even where the system has it"
       OFF)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT BRACKMOOR_PORTABLE_FALLBACKS)
    set(BRACKMOOR_USE_LINUX ON)
else()
    set(BRACKMOOR_USE_LINUX OFF)
endif()
if(QT_FEATURE_xcb AND NOT BRACKMOOR_PORTABLE_FALLBACKS)
    set(BRACKMOOR_USE_XCB ON)
else()
    set(BRACKMOOR_USE_XCB OFF)
endif()
if(WIN32 AND NOT BRACKMOOR_PORTABLE_FALLBACKS)
    set(BRACKMOOR_USE_WIN32 ON)
else()
    set(BRACKMOOR_USE_WIN32 OFF)
endif()
message(STATUS "Brackmoor: Linux paths ${BRACKMOOR_USE_LINUX}, X11 paths ${BRACKMOOR_USE_XCB}, "
               "Windows paths ${BRACKMOOR_USE_WIN32}")

# A cross build for Windows runs its test programs under Wine; scripts/windows/wine-run
# finds Qt's libraries in its prefix and gives the programs their QT_* variables.
if(CMAKE_CROSSCOMPILING AND WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/windows/wine-run
                                      ${QT6_INSTALL_PREFIX})
endif()

add_library(brackmoor_flags INTERFACE)
target_compile_definitions(brackmoor_flags INTERFACE
    QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER QT_NO_URL_CAST_FROM_STRING QT_STRICT_ITERATORS
    $<$<BOOL:${BRACKMOOR_USE_LINUX}>:BRACKMOOR_USE_LINUX>
    $<$<BOOL:${BRACKMOOR_USE_XCB}>:BRACKMOOR_USE_XCB>
    $<$<BOOL:${BRACKMOOR_USE_WIN32}>:BRACKMOOR_USE_WIN32>)

if(MSVC)
    target_compile_options(brackmoor_flags INTERFACE /W4 /permissive- /utf-8 /Zc:__cplusplus
                           $<$<BOOL:${BRACKMOOR_WERROR}>:/WX>)
    if(BRACKMOOR_SANITIZE)
        target_compile_options(brackmoor_flags INTERFACE /fsanitize=address)
    endif()
else()
    target_compile_options(brackmoor_flags INTERFACE -Wall -Wextra -Wpedantic)
    if(BRACKMOOR_WERROR)
        # GCC 12 reports false overflows inside Qt's QStringBuilder (its empty-string
        # optimisation); they stay warnings.
        target_compile_options(brackmoor_flags INTERFACE -Werror
            $<$<CXX_COMPILER_ID:GNU>:-Wno-error=stringop-overflow>)
    endif()
    if(BRACKMOOR_SANITIZE)
        # With the sanitizers, the preconditions of the standard library's containers and of
        # Qt's (Q_ASSERT, an index past the end) are checked too, so a broken one fails a test
        # instead of passing quietly in a release build.
        target_compile_definitions(brackmoor_flags INTERFACE _GLIBCXX_ASSERTIONS QT_FORCE_ASSERTS)
        target_compile_options(brackmoor_flags INTERFACE -fsanitize=address,undefined
                               -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(brackmoor_flags INTERFACE -fsanitize=address,undefined)
    endif()
endif()
