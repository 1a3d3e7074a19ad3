# A Debian package of the installed files: `cpack -G DEB` in the build folder. Its library
# dependencies are read from the binary by dpkg-shlibdeps, not listed by hand; only the
# services Palimo talks to at run time, which no linker sees, are named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME palimo)
set(CPACK_PACKAGE_VENDOR "Palimo")
set(CPACK_PACKAGE_CONTACT "Palimo developers <dev@palimo.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Rewrite the selected text in place, in any application")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PALIMO_BUILD_NUMBER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the SVG image plugin (the tray icon) and, in a Wayland session, its Wayland platform
# plugin at run time; no linker sees them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland")
# The keyring and the accessibility bus are reached over D-Bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, at-spi2-core")
set(CPACK_PACKAGE_INSTALL_DIRECTORY palimo)
set(CPACK_STRIP_FILES ON)
include(CPack)
