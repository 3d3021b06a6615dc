# The Debian package: "make package" (cpack -G DEB in the build folder) gives
# peakhound_<version>_amd64.deb with everything the install rules put in place (no components:
# whatever is installed is packaged). Its dependencies are read from the shared libraries of the
# installed programs, plus what Qt loads at run time and the fonts the windows are laid out for.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME peakhound)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Peakhound developers")
set(PH_PACKAGE_CONTACT "The Peakhound developers <peakhound@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${PH_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search Raman spectrum files for a set of peaks")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Peakhound keeps a list of tab-separated spectrum files, takes the peak
positions sought (typed, from a peak file or the Rhodamine 6G preset), a
tolerance and how many may be missing, and lists the files that show them.
Any file's spectra can be shown stacked in the program's own chart. The
command peakhound-search runs the same search from a shell.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's window system plugins are only recommended by its libraries; the window needs them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-liberation")
include(CPack)
