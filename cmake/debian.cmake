# The Debian packages, built by `cpack -G DEB` from three install
# components, which a plain `cmake --install` leaves out:
#
#   component     package                  contents
#   programs      pointsieve               the programs, their manual pages,
#                                          the examples as documentation
#   runtime       libkorvane-lidar<major>  the shared library, with its SONAME
#   development   libkorvane-lidar-dev     the header, the unversioned link,
#                                          the static library, the pkg-config
#                                          file and the CMake package
#
# Laid out as Debian expects below /usr: the libraries, the .pc file and the
# CMake package in the multiarch folder, where GNUInstallDirs puts them for
# the prefix /usr and where pkg-config finds them for cross-compilation; the
# manual pages compressed; each package's machine-readable copyright file
# and changelog in its documentation folder. Gzip runs with -9n, so the
# files are the same from build to build.

find_program(GZIP_PROGRAM gzip)
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
elseif(NOT GZIP_PROGRAM)
  message(STATUS "gzip was not found: cpack -G DEB cannot build the Debian packages")
  return()
endif()

set(KORVANE_DEBIAN_PACKAGE pointsieve)
set(KORVANE_DEBIAN_RUNTIME_PACKAGE libkorvane-lidar${PROJECT_VERSION_MAJOR})
set(KORVANE_DEBIAN_DEV_PACKAGE libkorvane-lidar-dev)
set(KORVANE_DEBIAN_CONTACT "Pointsieve maintainers <maintainers@pointsieve.invalid>")
set(KORVANE_DEBIAN_LIBDIR lib)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(KORVANE_DEBIAN_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
set(KORVANE_DEBIAN_DIR ${PROJECT_BINARY_DIR}/packaging/debian)

# The packages hold both forms of the library, whichever form the build
# makes: two more targets from the same objects, built beside the package
# files.
add_library(korvane_debian_shared SHARED $<TARGET_OBJECTS:korvane_objects>)
add_library(korvane_debian_static STATIC $<TARGET_OBJECTS:korvane_objects>)
foreach(target korvane_debian_shared korvane_debian_static)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:include>)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME Korvane_LiDAR
    EXPORT_NAME Korvane_LiDAR
    LINKER_LANGUAGE CXX
    LIBRARY_OUTPUT_DIRECTORY ${KORVANE_DEBIAN_DIR}/lib
    ARCHIVE_OUTPUT_DIRECTORY ${KORVANE_DEBIAN_DIR}/lib)
endforeach()
set_target_properties(korvane_debian_shared PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
korvane_publish_exports(korvane_debian_shared)
# A sanitized shared library loads only into a program that starts with the
# sanitizer runtime.
target_link_options(korvane_debian_shared INTERFACE $<INSTALL_INTERFACE:${KORVANE_SANITIZE_LINK_FLAGS}>)

# korvane_debian_changelog(MARKDOWN OUT): the changelog of the package, in
# the Debian format, written from the released sections of CHANGELOG.md
# ("## [1.0.0] - 2026-12-08"), newest first: one entry per release, whose
# items are the section's "- " items. The Unreleased section is left out.
function(korvane_debian_changelog markdown out)
  file(READ ${markdown} text)
  # Debian wants each entry later than the one below it. Releases of one
  # day are an hour apart, the oldest at midnight: count them per day.
  string(REGEX MATCHALL "\n## \\[[0-9][^]]*\\] - [0-9-]+" headings "\n${text}")
  set(days "")
  foreach(heading IN LISTS headings)
    string(REGEX REPLACE ".* - " "" day "${heading}")
    list(APPEND days ${day})
  endforeach()
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
      set(day ${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4})
      list(FIND days ${day} this)
      list(REMOVE_AT days ${this})
      set(hour 0)
      foreach(older IN LISTS days)
        if(older STREQUAL day)
          math(EXPR hour "${hour} + 1")
        endif()
      endforeach()
      korvane_rfc2822_date(date ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4} ${hour})
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

# korvane_rfc2822_date(VAR YEAR MONTH DAY HOUR): "Tue, 08 Dec 2026 01:00:00 +0000".
function(korvane_rfc2822_date var year month day hour)
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
  if(hour LESS 10)
    set(hour 0${hour})
  endif()
  set(${var} "${day_name}, ${day} ${month_name} ${year} ${hour}:00:00 +0000" PARENT_SCOPE)
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

# The copyright file in the machine-readable format, with the licence text
# taken from LICENSE: each line indented by one space, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE KORVANE_LICENSE_TEXT)
string(STRIP "${KORVANE_LICENSE_TEXT}" KORVANE_LICENSE_TEXT)
string(REGEX REPLACE "\n\n" "\n.\n" KORVANE_LICENSE_TEXT "${KORVANE_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " KORVANE_LICENSE_TEXT " ${KORVANE_LICENSE_TEXT}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${KORVANE_DEBIAN_DIR}/copyright @ONLY)

korvane_debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${KORVANE_DEBIAN_DIR}/changelog.in)
korvane_gzip(${KORVANE_DEBIAN_DIR}/changelog.in changelog)
set(KORVANE_DEBIAN_FILES ${KORVANE_DEBIAN_DIR}/changelog.gz)
foreach(program IN LISTS KORVANE_PROGRAMS)
  korvane_gzip(${PROJECT_SOURCE_DIR}/docs/${program}.1 ${program}.1)
  list(APPEND KORVANE_DEBIAN_FILES ${KORVANE_DEBIAN_DIR}/${program}.1.gz)
endforeach()
add_custom_target(debian_files ALL DEPENDS ${KORVANE_DEBIAN_FILES})

# Each package carries the copyright file and the changelog.
foreach(component programs runtime development)
  if(component STREQUAL "programs")
    set(package ${KORVANE_DEBIAN_PACKAGE})
  elseif(component STREQUAL "runtime")
    set(package ${KORVANE_DEBIAN_RUNTIME_PACKAGE})
  else()
    set(package ${KORVANE_DEBIAN_DEV_PACKAGE})
  endif()
  install(FILES ${KORVANE_DEBIAN_DIR}/copyright ${KORVANE_DEBIAN_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

# pointsieve: the programs, their manual pages and the examples.
install(TARGETS ${KORVANE_PROGRAMS}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs EXCLUDE_FROM_ALL)
foreach(program IN LISTS KORVANE_PROGRAMS)
  install(FILES ${KORVANE_DEBIAN_DIR}/${program}.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs EXCLUDE_FROM_ALL)
endforeach()
install(FILES
  ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt
  ${PROJECT_SOURCE_DIR}/examples/summarise_tiles.sh
  ${PROJECT_SOURCE_DIR}/examples/write_tile.c
  ${PROJECT_SOURCE_DIR}/examples/write_tile.cpp
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KORVANE_DEBIAN_PACKAGE}/examples
  COMPONENT programs EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/examples/slurm/summarise_archive.sh
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KORVANE_DEBIAN_PACKAGE}/examples/slurm
  COMPONENT programs EXCLUDE_FROM_ALL)

# libkorvane-lidar<major>: the shared library; libkorvane-lidar-dev: its
# link, the static library, the header, and the CMake package and .pc file,
# which name the shared library.
install(TARGETS korvane_debian_shared EXPORT Korvane_LiDARTargets_development
  LIBRARY DESTINATION ${KORVANE_DEBIAN_LIBDIR}
    COMPONENT runtime EXCLUDE_FROM_ALL NAMELINK_COMPONENT development)
install(TARGETS korvane_debian_static
  ARCHIVE DESTINATION ${KORVANE_DEBIAN_LIBDIR} COMPONENT development EXCLUDE_FROM_ALL)
install(FILES ${KORVANE_PUBLIC_HEADER}
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development EXCLUDE_FROM_ALL)
korvane_cmake_package(LIBDIR ${KORVANE_DEBIAN_LIBDIR} COMPONENT development)
# A static link (pkg-config --static) needs the C++ runtime too.
korvane_pc_file(LIBDIR ${KORVANE_DEBIAN_LIBDIR} COMPONENT development
  LIBS ${KORVANE_SANITIZE_LINK_FLAGS} LIBS_PRIVATE ${KORVANE_PC_CXX_RUNTIME})

# The shared library package updates the library cache through the ldconfig
# trigger, as Debian asks, and through nothing else. CPack would write
# maintainer scripts that call ldconfig too, unless the package lists
# scripts of its own: it lists postinst and postrm, which do not exist, and
# so has none. cpack warns twice that it cannot add them; the README says
# that the warnings are expected.
file(WRITE ${KORVANE_DEBIAN_DIR}/runtime/triggers "activate-noawait ldconfig\n")

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs runtime development)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_PACKAGE_NAME ${KORVANE_DEBIAN_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pointsieve maintainers")
set(CPACK_PACKAGE_CONTACT "${KORVANE_DEBIAN_CONTACT}")
# Each package's description starts with its own synopsis. CPack puts the
# summary before it unless the summary is CPack's default, so it is that.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Programs built against this version run with any later one of the same
# SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${KORVANE_DEBIAN_PACKAGE})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "summarise LAS LiDAR point clouds
Pointsieve summarises LAS 1.0, 1.1 and 1.2 point clouds (point data
formats 0 to 3): point count, extents, GPS time range, counts by return
and classification, and optional histograms, on the console and in a
key-value statistics file. Pointsieve-merge merges statistics files
exactly; Pointsieve-qa audits a whole delivery of tiles, judging each by
editable limits, on one machine or in shards on a cluster.

The examples of the Korvane_LiDAR library, in C, C++ and the shell, are
in /usr/share/doc/pointsieve/examples.")

set(KORVANE_DEBIAN_LIBRARY_TEXT "Korvane_LiDAR validates LAS 1.0, 1.1 and 1.2 LiDAR files, recomputes a
file's header from its points, initialises new headers and sorts keys
together with an index array, through twenty routines callable from C
and C++.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KORVANE_DEBIAN_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SOURCE ${KORVANE_DEBIAN_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${KORVANE_DEBIAN_DIR}/runtime/triggers ${KORVANE_DEBIAN_DIR}/runtime/postinst ${KORVANE_DEBIAN_DIR}/runtime/postrm)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "routines for LAS LiDAR files (shared library)
${KORVANE_DEBIAN_LIBRARY_TEXT}

This package holds the shared library.")

set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${KORVANE_DEBIAN_DEV_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SOURCE ${KORVANE_DEBIAN_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "routines for LAS LiDAR files (development files)
${KORVANE_DEBIAN_LIBRARY_TEXT}

This package holds the header, the static library, the pkg-config file
and the CMake package.")

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")
include(CPack)
