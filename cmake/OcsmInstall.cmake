# Install rules and the CMake package for consumers. Included at the end of the
# top-level CMakeLists.txt, when every target exists.
#
# Installed tree (paths relative to the prefix):
#   bin/tvkhost, bin/controller-sim
#   <libdir>/outputcolorspacemodel/plugins/liboutputcolorspacemodel.so
#   <libdir>/outputcolorspacemodel/plugins/librestlink.so   beside the plugin: its RUNPATH is $ORIGIN
#   <includedir>/outputcolorspacemodel/tvk.h, restlink.h
#   <datadir>/outputcolorspacemodel/*.json                  controller-sim's default documents
#   <mandir>/man1/tvkhost.1.gz, controller-sim.1.gz         from their --help, when help2man is there
#   <libdir>/cmake/outputcolorspacemodel/                   find_package(outputcolorspacemodel)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(OCSM_INSTALL_PLUGINDIR ${CMAKE_INSTALL_LIBDIR}/outputcolorspacemodel/plugins)
set(OCSM_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/outputcolorspacemodel)
set(OCSM_INSTALL_DATAROOT ${CMAKE_INSTALL_DATADIR}/outputcolorspacemodel)
set(OCSM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/outputcolorspacemodel)

# tvkhost looks for the installed plugin relative to its own folder.
target_compile_definitions(tvkhost PRIVATE OCSM_INSTALL_LIBDIR="${CMAKE_INSTALL_LIBDIR}")

# The host's interfaces, for host authors: #include "tvk.h".
install(FILES ${PROJECT_SOURCE_DIR}/src/host/tvk.h DESTINATION ${OCSM_INSTALL_HEADERDIR})
install(TARGETS tvk_headers EXPORT outputcolorspacemodelTargets
        INCLUDES DESTINATION ${OCSM_INSTALL_HEADERDIR})

# The device HTTP client library, for the plugin and for other clients:
# #include "restlink.h". No namelink: the library carries no version suffix.
install(FILES ${PROJECT_SOURCE_DIR}/src/host/restlink.h DESTINATION ${OCSM_INSTALL_HEADERDIR})
install(TARGETS restlink EXPORT outputcolorspacemodelTargets
        LIBRARY DESTINATION ${OCSM_INSTALL_PLUGINDIR}
        INCLUDES DESTINATION ${OCSM_INSTALL_HEADERDIR})

# The plugin keeps the RUNPATH $ORIGIN it was linked with. Exported so that a
# consumer can hand $<TARGET_FILE:outputcolorspacemodel::outputcolorspacemodel>
# to a host; it is loaded with dlopen, never linked.
install(TARGETS outputcolorspacemodel EXPORT outputcolorspacemodelTargets
        LIBRARY DESTINATION ${OCSM_INSTALL_PLUGINDIR})

# The host and the controller stand-ins need no RUNPATH: the host opens the
# plugin by path, and neither links a library of ours.
install(TARGETS tvkhost controller-sim EXPORT outputcolorspacemodelTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

include(${CMAKE_CURRENT_LIST_DIR}/OcsmManPages.cmake)
ocsm_add_man_page(tvkhost "load the output colour space plugin and send it host messages")
ocsm_add_man_page(controller-sim
  "the display controller's REST service on loopback, and a capture of a real one")

# controller-sim reads its default documents from <bin>/../share/outputcolorspacemodel.
file(GLOB OCSM_SHARED_DOCUMENTS ${OCSM_DATA_DIR}/*.json)
install(FILES ${OCSM_SHARED_DOCUMENTS} DESTINATION ${OCSM_INSTALL_DATAROOT})

install(EXPORT outputcolorspacemodelTargets
        NAMESPACE outputcolorspacemodel::
        DESTINATION ${OCSM_INSTALL_CMAKEDIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/outputcolorspacemodelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/outputcolorspacemodelConfig.cmake
  INSTALL_DESTINATION ${OCSM_INSTALL_CMAKEDIR}
  PATH_VARS OCSM_INSTALL_PLUGINDIR OCSM_INSTALL_HEADERDIR OCSM_INSTALL_DATAROOT)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/outputcolorspacemodelConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
          ${PROJECT_BINARY_DIR}/outputcolorspacemodelConfig.cmake
          ${PROJECT_BINARY_DIR}/outputcolorspacemodelConfigVersion.cmake
        DESTINATION ${OCSM_INSTALL_CMAKEDIR})

# Packages only for a build of this project itself, not when it is pulled in
# with add_subdirectory() (CPack's settings are global).
if(PROJECT_IS_TOP_LEVEL)
  include(${CMAKE_CURRENT_LIST_DIR}/OcsmPackage.cmake)
endif()
