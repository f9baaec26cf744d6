# The Debian package of the Linux programs, as `cmake --install` lays them
# out under /usr: the window, its clipboard keeper, the command line, the
# desktop entry and the icon. `cpack -G DEB` in the build folder writes
# bmp2cdata_<version>_amd64.deb; the libraries the programs link become its
# dependencies (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bmp2cdata)
set(CPACK_PACKAGE_CONTACT "The bmp2cdata developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts 24-bit BMP images into Cdata tables for colour LCDs")
# The summary above is the synopsis; CPack indents these lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "bmp2cdata turns a 24-bit uncompressed BMP image into a table of packed colour
values, RGB565 words or RGB332 bytes, written as Cdata statements for
BASIC-dialect microcontroller programs that drive colour LCDs: in a window
(bmp2cdata-gui), or on the command line (bmp2cdata).")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# On Wayland the window hands the table to wl-copy as it closes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wl-clipboard)
set(CPACK_STRIP_FILES ON)
include(CPack)
