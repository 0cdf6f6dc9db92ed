# `make package`: a Debian package of the installed tree, built with CPack. Dependencies are
# computed from the binaries (dpkg-shlibdeps); the binaries are stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME felmo)
set(CPACK_PACKAGE_VENDOR "The FELMO developers")
set(CPACK_PACKAGE_CONTACT "${FELMO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "start-up graphics maker for a 176 x 208 phone")
# The long description, wrapped as Debian control files want it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "FELMO turns ordinary pictures into the start-up graphics of a phone with"
  "a 176 x 208 pixel screen: a 12-frame start-up animation made with one of"
  "forty effects, a status strip with a soft-edged overlay, a standby"
  "background, a splash screen and a welcome image. It previews them on"
  "phone-sized panels and builds the five multi-bitmap (.mbm) files the"
  "phone reads."
  ""
  "The package holds the window (felmo), the same work without a window"
  "(felmo-cli) and the bitmap converter (bmconv).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
