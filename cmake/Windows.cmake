# What the Windows programs carry and need beside them, included after the targets exist.
#
# Each program gets a resource with its icon and version information, generated from
# project(VERSION). A cross build has no windeployqt: the libraries and plugins that the
# programs load are listed here and installed beside them, so the installer and the zip hold
# exactly these.

set(BRACKMOOR_WINDOWS_ICON ${PROJECT_SOURCE_DIR}/data/icons/${BRACKMOOR_APP_ID}.ico)

# brackmoor_version_resource(TARGET DESCRIPTION)
function(brackmoor_version_resource target description)
    set(BRACKMOOR_RC_NAME ${target})
    set(BRACKMOOR_RC_FILE ${target}.exe)
    set(BRACKMOOR_RC_DESCRIPTION "${description}")
    set(BRACKMOOR_RC_ICON ${BRACKMOOR_WINDOWS_ICON})
    # "3.05" is version 3, 5 in the numeric fields.
    math(EXPR BRACKMOOR_RC_MINOR "${PROJECT_VERSION_MINOR}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY
                 OBJECT_DEPENDS ${BRACKMOOR_WINDOWS_ICON})
endfunction()

brackmoor_version_resource(brackmoor-chat "Brackmoor Chat, a chat client for Battle.net chat gateways")
brackmoor_version_resource(brackmoor-gateway "Brackmoor Chat local test gateway")

# Qt: the libraries, the platform plugin, the JPEG plugin for the banner and the native style.
# The offscreen platform is for the tests only and is not installed.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
              $<TARGET_FILE:Qt6::Network>
        DESTINATION bin)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION bin/platforms)
install(FILES $<TARGET_FILE:Qt6::QJpegPlugin> DESTINATION bin/imageformats)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION bin/styles)

# MinGW's C++ runtime, its unwinder and its threads, which the programs and Qt link. Debian
# ships them with their debugging symbols (libstdc++ is 23 MB so); the packages get copies
# stripped of them.
set(BRACKMOOR_MINGW_RUNTIME)
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "MinGW runtime library ${dll} not found")
    endif()
    get_filename_component(path ${path} REALPATH)
    set(stripped ${PROJECT_BINARY_DIR}/mingw-runtime/${dll})
    add_custom_command(OUTPUT ${stripped}
                       COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${path}
                       DEPENDS ${path} COMMENT "Stripping ${dll}")
    list(APPEND BRACKMOOR_MINGW_RUNTIME ${stripped})
endforeach()
add_custom_target(brackmoor_mingw_runtime ALL DEPENDS ${BRACKMOOR_MINGW_RUNTIME})
install(FILES ${BRACKMOOR_MINGW_RUNTIME} DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
