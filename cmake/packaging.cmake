# Installation extras and the packages: a Debian package on Linux, a zip for
# Windows. scripts/package.sh builds both; by hand:
#   cmake -S . -B build-package -G Ninja -DTONEMILL_TESTS=OFF
#   cmake --build build-package && cpack --config build-package/CPackConfig.cmake -B build-package
#   (the zip: the same with -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)

# Installed uncompressed: man finds either form, and the page stays readable
# with man -l straight from an installed tree.
install(FILES docs/tonemill.1 DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME tonemill)
set(CPACK_PACKAGE_VENDOR "tonemill developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert 16- and 256-colour JASC-PAL palettes to C arrays of packed YUV entries")
set(CPACK_PACKAGE_DESCRIPTION
    "tonemill reads a JASC-PAL palette file of 16 or 256 colours and writes a C source file holding one
array of packed 16-bit YUV entries (8-bit luma, two 4-bit chroma values), ready to be compiled into a
game for a retro console. It is meant to be called from a Makefile or a CMake build.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip holds the tool and the README side by side at its top, with the
  # example palettes: unpack it anywhere and call tonemill.exe. These rules
  # belong to a component of their own that a plain install leaves out, so
  # cmake --install still gives bin/tonemill.exe.
  install(TARGETS tonemill RUNTIME DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
  install(FILES README.md DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
  install(DIRECTORY examples/ DESTINATION examples COMPONENT windows_zip EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL windows_zip)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGE_FILE_NAME tonemill-${PROJECT_VERSION}-win64)
else()
  set(TONEMILL_MAINTAINER "tonemill developers <tonemill@localhost>"
      CACHE STRING "Maintainer field of the Debian package")
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # CPack asks dpkg for the architecture, which is the build machine's; a
  # cross-build names its target's instead.
  if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  endif()
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TONEMILL_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  # dpkg-shlibdeps (package dpkg-dev) works out the libraries the binary
  # needs and their versions; a statically linked binary needs none.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
