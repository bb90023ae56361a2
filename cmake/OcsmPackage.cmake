# The Debian package of the install tree (cmake --build <tree> --target package,
# or cpack in the build tree): outputcolorspacemodel_<version>-1_<arch>.deb,
# amd64 from a native build, arm64 from the aarch64 cross build.
set(OCSM_PACKAGE_CONTACT "outputcolorspacemodel developers <outputcolorspacemodel@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME outputcolorspacemodel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${OCSM_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "The output colour space plugin (liboutputcolorspacemodel.so) with the device HTTP client\n\
library it calls (librestlink.so), the plugin host stand-in tvkhost, the controller\n\
simulator controller-sim with its documents, the public headers tvk.h and restlink.h\n\
and a CMake package for host and library authors.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)

# dpkg's own architecture is the build machine's; a cross build names the
# target's.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|amd64|AMD64)$")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
elseif(CMAKE_CROSSCOMPILING)
  message(WARNING "no Debian architecture known for ${CMAKE_SYSTEM_PROCESSOR}; "
                  "set CPACK_DEBIAN_PACKAGE_ARCHITECTURE")
endif()

# dpkg-shlibdeps derives the lower bounds from the libraries linked, for a
# cross build too (it reads the arm64 libraries installed through multiarch);
# it resolves librestlink.so beside the plugin through the RUNPATH $ORIGIN.
# CPack needs file(1) to pick the binaries. Without the two, the bounds
# dpkg-shlibdeps gives on Debian 12 amd64.
find_program(OCSM_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(OCSM_FILE file)
mark_as_advanced(OCSM_DPKG_SHLIBDEPS OCSM_FILE)
if(OCSM_DPKG_SHLIBDEPS AND OCSM_FILE)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libcpp-httplib0.11 (>= 0.11.4+ds), libcurl4 (>= 7.16.2), libgcc-s1 (>= 3.0), libqt5core5a (>= 5.15.1), libstdc++6 (>= 12)")
endif()

# package_source: the sources without build trees or the repository.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build[^/]*/")

include(CPack)
