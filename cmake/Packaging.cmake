# `cpack -G DEB` in the build folder makes a Debian package of the whole installation: the bundle
# under /usr/lib/vantor, the desktop entry and the icon. Its run-time dependencies come from the
# shared libraries the two programs link (dpkg-shlibdeps), plus what Qt loads at run time.
# Packaging takes what the build produced; build Release for a package to ship.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vantor")
set(CPACK_PACKAGE_VENDOR "Quillon")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "System monitor for the top bar")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantor shows processor, memory, storage and sensor meters in the top bar of the desktop, each with a detail popover, and a settings app to arrange them.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillon.com/vantor")
set(VANTOR_PACKAGE_MAINTAINER "Quillon <vantor@quillon.com>" CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VANTOR_PACKAGE_MAINTAINER}")

# The desktop entry names the installed bundle, so the install runs with the real prefix and a
# staging DESTDIR, never with the staging folder as its prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_INSTALL_PREFIX "/usr")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE "${VANTOR_BUILD_NUMBER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no linked library names them: Qt's X11/Wayland platform plugins, and
# libarchive, which the updater opens when it unpacks an update.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libarchive13")
# The two programs signal each other over the session bus; Qt's own texts (standard buttons, the
# colour dialog) come translated from Qt's translation catalogues.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "default-dbus-session-bus | dbus-session-bus, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(CMAKE_BUILD_TYPE STREQUAL "Release" OR CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  set(CPACK_STRIP_FILES ON)
endif()

include(CPack)
