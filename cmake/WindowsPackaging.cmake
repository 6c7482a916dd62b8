# The Windows packages: brackmoor-chat-<version>-win64.exe, an installer made by NSIS, and
# brackmoor-chat-<version>-win64.zip, a folder that runs from anywhere. Both hold what the
# install rules of cmake/Windows.cmake list.

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Brackmoor Chat")
set(CPACK_PACKAGE_ICON ${BRACKMOOR_WINDOWS_ICON})
# The Start-menu entry.
set(CPACK_PACKAGE_EXECUTABLES brackmoor-chat "Brackmoor Chat")

# A 64-bit program gets a 64-bit installer: Debian's NSIS makes 32-bit ones unless told.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Brackmoor Chat")
set(CPACK_NSIS_DISPLAY_NAME "Brackmoor Chat ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${BRACKMOOR_WINDOWS_ICON})
set(CPACK_NSIS_MUI_UNIICON ${BRACKMOOR_WINDOWS_ICON})
# The icon of the entry in the list of installed programs.
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\brackmoor-chat.exe")
set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_NSIS_CONTACT ${CPACK_PACKAGE_CONTACT})
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN brackmoor-chat.exe)
# CPack's uninstaller removes the key "Software\<vendor>\<package>" it wrote but leaves the
# vendor's key; these commands run after that removal and take the vendor's key too, if empty.
set(CPACK_NSIS_DELETE_ICONS_EXTRA
    "DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'")
