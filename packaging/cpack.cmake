# cpack -G DEB in the build directory produces kestro-setup_<version>-1_<arch>.deb.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kestro-setup")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Kestro")
set(CPACK_PACKAGE_CONTACT "Kestro <support@kestro.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure and test Kestro button-box boards")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestro Setup reads and changes the settings stored in a Kestro USB button box\nand shows its 128 buttons and 16 rotary encoders live. Includes kestroctl,\nthe same from a terminal for scripts, backups and headless machines,\nkestro-demo, which runs the program against simulated boards, and a udev\nrule that gives the logged-in user access to the boards.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt only Recommends its platform plugins, and without one the window never opens.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_CURRENT_LIST_DIR}/deb/postinst;${CMAKE_CURRENT_LIST_DIR}/deb/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
