# Installation and packaging rules.
#
# Layout below the install prefix:
#   bin/Pointsieve
#   include/Korvane_LiDAR.h
#   lib/libKorvane_LiDAR.a            (libKorvane_LiDAR.so* with BUILD_SHARED_LIBS=ON)
#   lib/cmake/Korvane_LiDAR/          CMake package, namespace Korvane_LiDAR::
#   lib/pkgconfig/Korvane_LiDAR.pc
#   share/man/man1/Pointsieve.1
# Every installed file that names a location names it relative to itself, so
# the tree works from any prefix, with DESTDIR, and after being moved.
#
# The Debian package (cpack -G DEB) installs the install component `debian`,
# which `cmake --install` leaves out: the same files under /usr, but with
# lib/<multiarch> for lib/, the man page gzipped, and
# share/doc/pointsieve/{copyright,changelog.gz}.

# Libraries go to lib/ whatever the prefix: GNUInstallDirs would choose
# lib/<multiarch> for the prefix /usr on Debian, which only the package
# wants. A CMAKE_INSTALL_LIBDIR given on the command line still wins.
if(NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVANE_DEBIAN_PACKAGE pointsieve)
set(KORVANE_DEBIAN_CONTACT "Pointsieve maintainers <maintainers@pointsieve.invalid>")

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

# korvane_install_layout(LIBDIR libdir MAN_PAGE file [COMPONENT name]): the
# install rules of one layout: the program, the headers, the library, its
# CMake package and pkg-config file in LIBDIR, and the man page. Without
# COMPONENT they are the rules of a plain `cmake --install`; with it they are
# left out of that and run only when the component is asked for.
function(korvane_install_layout)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "LIBDIR;MAN_PAGE;COMPONENT" "")
  set(libdir ${arg_LIBDIR})
  set(cmake_dir ${libdir}/cmake/Korvane_LiDAR)
  set(pkgconfig_dir ${libdir}/pkgconfig)
  set(export_set Korvane_LiDARTargets${arg_COMPONENT})
  set(generated ${PROJECT_BINARY_DIR}/packaging/${libdir})
  set(component "")
  if(arg_COMPONENT)
    set(generated ${PROJECT_BINARY_DIR}/packaging/${arg_COMPONENT}/${libdir})
    set(component COMPONENT ${arg_COMPONENT} EXCLUDE_FROM_ALL)
  endif()

  install(TARGETS Pointsieve
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ${component})
  # A Windows DLL is a RUNTIME file and goes to bin/, beside the programs
  # that load it; its import library is an ARCHIVE and goes to lib/.
  install(TARGETS Korvane_LiDAR EXPORT ${export_set}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ${component}
    ARCHIVE DESTINATION ${libdir} ${component}
    LIBRARY DESTINATION ${libdir} ${component}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${component})
  install(FILES ${arg_MAN_PAGE}
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 ${component})

  # CMake package: find_package(Korvane_LiDAR CONFIG REQUIRED).
  install(EXPORT ${export_set}
    FILE Korvane_LiDARTargets.cmake
    NAMESPACE Korvane_LiDAR::
    DESTINATION ${cmake_dir} ${component})
  configure_package_config_file(
    ${PROJECT_SOURCE_DIR}/cmake/Korvane_LiDARConfig.cmake.in
    ${generated}/Korvane_LiDARConfig.cmake
    INSTALL_DESTINATION ${cmake_dir})
  write_basic_package_version_file(
    ${generated}/Korvane_LiDARConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
  install(FILES
    ${generated}/Korvane_LiDARConfig.cmake
    ${generated}/Korvane_LiDARConfigVersion.cmake
    DESTINATION ${cmake_dir} ${component})

  # pkg-config: the prefix is found from the .pc file's own directory.
  if(IS_ABSOLUTE "${pkgconfig_dir}")
    set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  else()
    file(RELATIVE_PATH PC_UP "/root/${pkgconfig_dir}" "/root")
    string(REGEX REPLACE "/$" "" PC_UP "${PC_UP}")
    set(PC_PREFIX "\${pcfiledir}/${PC_UP}")
  endif()
  korvane_pc_dir(PC_LIBDIR "${libdir}")
  korvane_pc_dir(PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/Korvane_LiDAR.pc.in
    ${generated}/Korvane_LiDAR.pc @ONLY)
  install(FILES ${generated}/Korvane_LiDAR.pc
    DESTINATION ${pkgconfig_dir} ${component})
endfunction()

function(korvane_pc_dir var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# The libraries the .pc file adds for a static archive.
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

# The layout of `cmake --install`.
korvane_install_layout(LIBDIR ${CMAKE_INSTALL_LIBDIR} MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/Pointsieve.1)

find_program(GZIP_PROGRAM gzip)
if(NOT GZIP_PROGRAM)
  message(STATUS "gzip was not found: cpack -G DEB cannot build the Debian package")
  return()
endif()

# The layout of the Debian package, the component `debian`: the library, its
# .pc file and its CMake package in the multiarch folder, where
# GNUInstallDirs puts them for the prefix /usr and where pkg-config finds
# them for cross-compilation; the man page compressed; the copyright file
# and the changelog in the package's documentation folder. Gzip runs with
# -9n, so the files are the same from build to build.
set(KORVANE_DEBIAN_LIBDIR lib)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(KORVANE_DEBIAN_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
set(KORVANE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/packaging/debian)
set(KORVANE_DEBIAN_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KORVANE_DEBIAN_PACKAGE})

# The copyright file in the machine-readable format, with the licence text
# taken from LICENSE: each line indented by one space, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE KORVANE_LICENSE_TEXT)
string(STRIP "${KORVANE_LICENSE_TEXT}" KORVANE_LICENSE_TEXT)
string(REGEX REPLACE "\n\n" "\n.\n" KORVANE_LICENSE_TEXT "${KORVANE_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " KORVANE_LICENSE_TEXT " ${KORVANE_LICENSE_TEXT}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${KORVANE_DEBIAN_DIR}/copyright @ONLY)

# korvane_debian_changelog(MARKDOWN OUT): the changelog of the package, in
# the Debian format, written from the released sections of CHANGELOG.md
# ("## [1.0.0] - 2026-12-08"), newest first: one entry per release, whose
# items are the section's "- " items. The Unreleased section is left out.
function(korvane_debian_changelog markdown out)
  file(READ ${markdown} text)
  set(entries "")
  set(version "")
  # Line by line, without CMake lists, which would split on the semicolons
  # and brackets of the text.
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
      set(line "${text}")
      set(text "")
    else()
      string(SUBSTRING "${text}" 0 ${end} line)
      math(EXPR end "${end} + 1")
      string(SUBSTRING "${text}" ${end} -1 text)
    endif()
    if(line MATCHES "^## \\[([0-9][^]]*)\\] - ([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
      if(version)
        string(APPEND entries "${body}\n\n${trailer}\n\n")
      elseif(entries STREQUAL "" AND NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
        message(WARNING "CHANGELOG.md: the latest release is ${CMAKE_MATCH_1}, not ${PROJECT_VERSION}")
      endif()
      set(version ${CMAKE_MATCH_1})
      korvane_rfc2822_date(date ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
      set(body "${KORVANE_DEBIAN_PACKAGE} (${version}) unstable; urgency=medium\n")
      set(trailer " -- ${KORVANE_DEBIAN_CONTACT}  ${date}")
    elseif(line MATCHES "^## ")
      if(version)
        string(APPEND entries "${body}\n\n${trailer}\n\n")
      endif()
      set(version "")
    elseif(version AND line MATCHES "^- (.*)$")
      string(APPEND body "\n  * ${CMAKE_MATCH_1}")
    elseif(version AND line MATCHES "^  ([^ ].*)$")
      string(APPEND body "\n    ${CMAKE_MATCH_1}")
    endif()
  endwhile()
  if(version)
    string(APPEND entries "${body}\n\n${trailer}\n")
  endif()
  if(entries STREQUAL "")
    message(FATAL_ERROR "CHANGELOG.md holds no released section")
  endif()
  string(STRIP "${entries}" entries)
  file(WRITE ${out}.new "${entries}\n")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${markdown})
endfunction()

# korvane_rfc2822_date(VAR YEAR MONTH DAY): "Tue, 08 Dec 2026 00:00:00 +0000".
function(korvane_rfc2822_date var year month day)
  math(EXPR m "${month}")
  math(EXPR d "${day}")
  # Sakamoto's rule for the day of the week, 0 for Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${m} - 1")
  list(GET offsets ${index} offset)
  set(y ${year})
  if(m LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${d}) % 7")
  set(days Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET days ${weekday} day_name)
  list(GET months ${index} month_name)
  set(${var} "${day_name}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# korvane_gzip(SOURCE NAME): SOURCE compressed into the Debian folder as
# NAME.gz, at build time.
function(korvane_gzip source name)
  set(out ${KORVANE_DEBIAN_DIR}/${name})
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${out}
    COMMAND ${GZIP_PROGRAM} -9nf ${out}
    DEPENDS ${source}
    COMMENT "Compressing ${name} for the Debian package"
    VERBATIM)
endfunction()
korvane_gzip(${PROJECT_SOURCE_DIR}/docs/Pointsieve.1 Pointsieve.1)
korvane_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${KORVANE_DEBIAN_DIR}/changelog.in)
korvane_gzip(${KORVANE_DEBIAN_DIR}/changelog.in changelog)
add_custom_target(debian_files ALL
  DEPENDS ${KORVANE_DEBIAN_DIR}/Pointsieve.1.gz ${KORVANE_DEBIAN_DIR}/changelog.gz)

korvane_install_layout(LIBDIR ${KORVANE_DEBIAN_LIBDIR} MAN_PAGE ${KORVANE_DEBIAN_DIR}/Pointsieve.1.gz
  COMPONENT debian)
install(FILES ${KORVANE_DEBIAN_DIR}/copyright ${KORVANE_DEBIAN_DIR}/changelog.gz
  DESTINATION ${KORVANE_DEBIAN_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# Debian package: cpack -G DEB.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KORVANE_DEBIAN_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pointsieve maintainers")
set(CPACK_PACKAGE_CONTACT "${KORVANE_DEBIAN_CONTACT}")
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
# The package holds the component `debian` alone.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")
include(CPack)
