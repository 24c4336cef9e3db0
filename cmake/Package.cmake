# `cpack -G DEB` in a build folder: monctl_<version>_<arch>.deb from what `cmake --install`
# puts in place, below /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME monctl)
set(CPACK_PACKAGE_VENDOR "The monctl developers")
set(CPACK_PACKAGE_CONTACT ${MONCTL_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control a monitor attached by a USB-to-serial link")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "monctl finds the monitors among the USB serial adapters, shows and changes\n"
    "their contrast, display mode and refresh speed, turns the monitor's own\n"
    "buttons into keyboard and pointer input and offers global keyboard\n"
    "shortcuts. It has a window (Qt) and a command line; monctl-sim plays a\n"
    "monitor on a pseudo-terminal, so that everything can be tried without the\n"
    "hardware.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Directories as Debian expects them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MONCTL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside what dpkg-shlibdeps finds: the SVG icon engine, loaded at run time, without which the
# window and the tray have no icon; groupadd and groupdel for the maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, passwd")
# monctl starts without them: Qt's own Chinese texts (the standard buttons stay English), the
# native window on Wayland (XWayland serves otherwise), Chinese fonts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, qt6-wayland, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/postinst
                                       ${PROJECT_SOURCE_DIR}/data/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
