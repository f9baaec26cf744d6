# The Debian package of the Linux programs, as `cmake --install` lays them
# out under /usr: the window, its clipboard keeper, the command line (linked
# to Debian's libpng, libjpeg-turbo and zlib), their manual pages, the
# command line's bash completion, the desktop entry, the icon, and the
# copyright and changelog Debian asks of every package. `cpack -G DEB` in the
# build folder writes bmp2cdata_<version>_amd64.deb; the libraries the
# programs link become its dependencies (dpkg-shlibdeps, from dpkg-dev).
set(BMP2CDATA_CONTACT "bmp2cdata developers <bmp2cdata@users.noreply.github.com>")

# The package's changelog is the project's list of releases; its latest
# entry must be this version's.
set(changelog ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
file(STRINGS ${changelog} latest_release LIMIT_COUNT 1)
if(NOT latest_release MATCHES "^bmp2cdata \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog starts with '${latest_release}'; "
                        "give version ${PROJECT_VERSION} an entry first")
endif()
set(package_documents ${CMAKE_BINARY_DIR}/package-documents)
configure_file(${changelog} ${package_documents}/changelog COPYONLY)
add_custom_command(OUTPUT ${package_documents}/changelog.gz
    COMMAND gzip -9nkf ${package_documents}/changelog
    DEPENDS ${changelog}
    VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${package_documents}/changelog.gz)

# The machine-readable copyright file, with the holder and the licence's
# terms from LICENSE, the terms indented by a space, a blank line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]*)\n\n(.*[^\n])\n*$")
    message(FATAL_ERROR "LICENSE is no longer the MIT licence's text; update cmake/debian/copyright.in")
endif()
set(licence_holder "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" licence_terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " licence_terms " ${licence_terms}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${package_documents}/copyright @ONLY)
install(FILES ${package_documents}/copyright ${package_documents}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bmp2cdata)
set(CPACK_PACKAGE_CONTACT "${BMP2CDATA_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts pictures into Cdata tables for colour LCDs")
# The summary above is the synopsis; CPack indents these lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "bmp2cdata turns a picture into a table of packed colour values, RGB565
words or RGB332 bytes, written as Cdata statements for BASIC-dialect
microcontroller programs that drive colour LCDs: a 24-bit uncompressed BMP
image in a window (bmp2cdata-gui), or BMP, PNG and JPEG pictures on the
command line (bmp2cdata), which can fit them to a screen and dither them.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# On Wayland the window hands the table to wl-copy as it closes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wl-clipboard)
set(CPACK_STRIP_FILES ON)
# Debian's modes whatever the umask of the one who packs.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
