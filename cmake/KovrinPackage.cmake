# The Debian package (cpack -G DEB in the build directory): the program, both
# libraries with their headers and CMake packages, and the desktop files, under /usr.

set(CPACK_PACKAGE_NAME kovrin)
set(CPACK_PACKAGE_VENDOR "The Kovrin developers")
set(CPACK_PACKAGE_CONTACT "The Kovrin developers <kovrin@localhost>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password vault for the desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "Kovrin keeps passwords in one file encrypted with AES-256-CBC, opened with a single password. The vault holds racks of entries (purpose, account, password, comment), shown as tabs; entries are filtered with regular expressions, copied to the clipboard, exported to and imported from tab-separated text. Each save keeps the previous file as a backup. Also contains the libraries zemb1 and velk2 with their headers.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME kovrin)
# The build stamp orders two builds of one version.
set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}+${KOVRIN_BUILD_STAMP}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KOVRIN_HOMEPAGE})
# Dependencies: what dpkg-shlibdeps finds in the binaries (Debian 12 ships the X11
# and offscreen platform plugins with libqt6gui6; Wayland's comes recommended).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, hicolor-icon-theme, shared-mime-info, desktop-file-utils")
# zemb1 and velk2 are public libraries of the package: shlibs file and the
# ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
