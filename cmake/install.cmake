# Installation and packaging rules.
#
# Layout below the install prefix:
#   bin/Pointsieve
#   include/Korvane_LiDAR.h
#   include/Korvane_LiDAR_version.h    generated from the project version
#   lib/libKorvane_LiDAR.a            (libKorvane_LiDAR.so* with BUILD_SHARED_LIBS=ON)
#   lib/cmake/Korvane_LiDAR/          CMake package, namespace Korvane_LiDAR::
#   lib/pkgconfig/Korvane_LiDAR.pc
#   share/man/man1/Pointsieve.1
# Every installed file that names a location names it relative to itself, so
# the tree works from any prefix, with DESTDIR, and after being moved.

# Libraries go to lib/ whatever the prefix: GNUInstallDirs would choose
# lib/<multiarch> for the prefix /usr on Debian. A CMAKE_INSTALL_LIBDIR given
# on the command line still wins.
if(NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane_LiDAR)
set(KORVANE_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# A sanitized archive needs the sanitizer runtime in every program it is
# linked into.
if(POINTSIEVE_SANITIZE)
  set(KORVANE_SANITIZE_LINK_FLAGS -fsanitize=address,undefined)
  target_link_options(Korvane_LiDAR INTERFACE
    $<INSTALL_INTERFACE:${KORVANE_SANITIZE_LINK_FLAGS}>)
endif()

# The library is compiled C++. A static archive therefore needs the C++
# runtime when a C program is linked by the C compiler driver: the libraries
# the C++ driver adds beyond those the C driver adds.
set(KORVANE_CXX_RUNTIME "")
foreach(lib IN LISTS CMAKE_CXX_IMPLICIT_LINK_LIBRARIES)
  if(NOT lib IN_LIST CMAKE_C_IMPLICIT_LINK_LIBRARIES AND NOT lib IN_LIST KORVANE_CXX_RUNTIME)
    list(APPEND KORVANE_CXX_RUNTIME ${lib})
  endif()
endforeach()
get_target_property(KORVANE_LIBRARY_TYPE Korvane_LiDAR TYPE)

# The header is named relative to lidar/, and install() resolves names
# relative to the directory it is called from: make the name absolute. The
# generated version header is installed beside it.
get_target_property(KORVANE_PUBLIC_HEADER Korvane_LiDAR PUBLIC_HEADER)
set_target_properties(Korvane_LiDAR PROPERTIES
  PUBLIC_HEADER "${PROJECT_SOURCE_DIR}/lidar/${KORVANE_PUBLIC_HEADER};${KORVANE_GENERATED_INCLUDE_DIR}/Korvane_LiDAR_version.h")

install(TARGETS Pointsieve
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A Windows DLL is a RUNTIME file and goes to bin/, beside the programs that
# load it; its import library is an ARCHIVE and goes to lib/.
install(TARGETS Korvane_LiDAR EXPORT Korvane_LiDARTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/Pointsieve.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# CMake package: find_package(Korvane_LiDAR CONFIG REQUIRED).
install(EXPORT Korvane_LiDARTargets
  NAMESPACE Korvane_LiDAR::
  DESTINATION ${KORVANE_CMAKE_DIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/Korvane_LiDARConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDARConfig.cmake
  INSTALL_DESTINATION ${KORVANE_CMAKE_DIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDARConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDARConfig.cmake
  ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDARConfigVersion.cmake
  DESTINATION ${KORVANE_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own directory.
function(korvane_pc_dir var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
if(IS_ABSOLUTE "${KORVANE_PKGCONFIG_DIR}")
  set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH PC_UP "/root/${KORVANE_PKGCONFIG_DIR}" "/root")
  string(REGEX REPLACE "/$" "" PC_UP "${PC_UP}")
  set(PC_PREFIX "\${pcfiledir}/${PC_UP}")
endif()
korvane_pc_dir(PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
korvane_pc_dir(PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
set(PC_LIBS_EXTRA "")
if(KORVANE_LIBRARY_TYPE STREQUAL "STATIC_LIBRARY")
  foreach(lib IN LISTS KORVANE_CXX_RUNTIME)
    if(lib MATCHES "^-|/")
      list(APPEND PC_LIBS_EXTRA ${lib})
    else()
      list(APPEND PC_LIBS_EXTRA -l${lib})
    endif()
  endforeach()
  list(APPEND PC_LIBS_EXTRA ${KORVANE_SANITIZE_LINK_FLAGS})
endif()
list(JOIN PC_LIBS_EXTRA " " PC_LIBS_EXTRA)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Korvane_LiDAR.pc.in
  ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDAR.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/Korvane_LiDAR.pc
  DESTINATION ${KORVANE_PKGCONFIG_DIR})

# Debian package: cpack -G DEB.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pointsieve)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pointsieve maintainers")
set(CPACK_PACKAGE_CONTACT "Pointsieve maintainers <maintainers@pointsieve.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION "Pointsieve summarises LAS 1.0, 1.1 and 1.2 point clouds (point data
formats 0 to 3): point count, extents, GPS time range, counts by return
and classification, and optional histograms, on the console and in a
key-value statistics file.

The package also holds the Korvane_LiDAR library with its header, CMake
package and pkg-config file.")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")
include(CPack)
