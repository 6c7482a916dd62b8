# The packages, built from the install rules with `cpack` in the build directory: on Linux the
# Debian package, on Windows an installer (NSIS) and a zip.

set(CPACK_PACKAGE_NAME brackmoor-chat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Brackmoor Chat developers")
set(CPACK_PACKAGE_CONTACT "Brackmoor Chat developers <dev@brackmoor.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://brackmoor.example.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop chat client for Battle.net chat gateways")
set(CPACK_PACKAGE_DESCRIPTION
    "Brackmoor Chat connects to one of the plain-text chat gateways of the Battle.net\n\
service, logs on with an account name and password, and lets you talk in its\n\
channels: every line you type goes to the gateway as it stands, slash commands\n\
included, and everything the gateway sends is shown as it arrives.\n\
\n\
The package also holds brackmoor-gateway, a small local chat gateway for trying\n\
the client offline.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackaging.cmake)
    include(CPack)
    return()
endif()

# The Debian package's library dependencies come from dpkg-shlibdeps run on the installed
# binaries; the rest are what the binaries load at run time and shlibdeps cannot see.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugin (xcb, wayland) at run time, and the windows fall back to
# DejaVu where their own fonts are missing.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-dejavu-extra, fonts-liberation")
# Symbola draws the symbols the transcript shows for control characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-symbola")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# qt_standard_project_setup() gives executables the run path $ORIGIN:$ORIGIN/../lib for
# relocatable installs. The packaged binaries find their libraries in the system's library
# directories, and a run path would only let them load whatever lies beside /usr/bin.
foreach(program IN ITEMS brackmoor-chat brackmoor-gateway)
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES INSTALL_RPATH "")
    endif()
endforeach()

include(CPack)
