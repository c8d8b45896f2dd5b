# Installation rules, included when POINTSIEVE_INSTALL is on.
#
# Layout of `cmake --install` below the install prefix, all in the install
# component `tree`:
#   bin/Pointsieve                    and the project's other programs
#   include/Korvane_LiDAR.h
#   lib/libKorvane_LiDAR.a            (libKorvane_LiDAR.so* with BUILD_SHARED_LIBS=ON)
#   lib/cmake/Korvane_LiDAR/          CMake package, namespace Korvane_LiDAR::
#   lib/pkgconfig/Korvane_LiDAR.pc
#   share/man/man1/Pointsieve.1       and the other programs' pages
# The CMake package names every location relative to itself, so the tree
# works from any prefix, with DESTDIR, and after being moved. The .pc file
# names the prefix the tree was installed to; for a tree that lies
# elsewhere, pkg-config --define-variable=prefix=TREE.
#
# The Debian packages come from three further install components, which
# `cmake --install` leaves out (cmake/debian.cmake).

# Libraries go to lib/ whatever the prefix: GNUInstallDirs would choose
# lib/<multiarch> for the prefix /usr on Debian, which only the packages
# want. A CMAKE_INSTALL_LIBDIR given on the command line still wins.
if(NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib)
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The programs the project installs, each with its manual page in docs/.
# Pointsieve-merge and Pointsieve-qa join Pointsieve once their targets and
# their pages are there.
set(KORVANE_PROGRAMS Pointsieve)
if(TARGET Pointsieve-merge AND EXISTS ${PROJECT_SOURCE_DIR}/docs/Pointsieve-merge.1)
  list(APPEND KORVANE_PROGRAMS Pointsieve-merge)
endif()
if(TARGET Pointsieve-qa AND EXISTS ${PROJECT_SOURCE_DIR}/docs/Pointsieve-qa.1)
  list(APPEND KORVANE_PROGRAMS Pointsieve-qa)
endif()

# A sanitized archive needs the sanitizer runtime in every program it is
# linked into.
if(POINTSIEVE_SANITIZE)
  set(KORVANE_SANITIZE_LINK_FLAGS -fsanitize=address,undefined)
  target_link_options(Korvane_LiDAR INTERFACE
    $<INSTALL_INTERFACE:${KORVANE_SANITIZE_LINK_FLAGS}>)
endif()

# The library is compiled C++. A static archive therefore needs the C++
# runtime when a C program is linked by the C compiler driver: the libraries
# the C++ driver adds beyond those the C driver adds. The CMake package
# names them, and the .pc file as flags.
set(KORVANE_CXX_RUNTIME "")
foreach(lib IN LISTS CMAKE_CXX_IMPLICIT_LINK_LIBRARIES)
  if(NOT lib IN_LIST CMAKE_C_IMPLICIT_LINK_LIBRARIES AND NOT lib IN_LIST KORVANE_CXX_RUNTIME)
    list(APPEND KORVANE_CXX_RUNTIME ${lib})
  endif()
endforeach()
set(KORVANE_PC_CXX_RUNTIME "")
foreach(lib IN LISTS KORVANE_CXX_RUNTIME)
  if(lib MATCHES "^-|/")
    list(APPEND KORVANE_PC_CXX_RUNTIME ${lib})
  else()
    list(APPEND KORVANE_PC_CXX_RUNTIME -l${lib})
  endif()
endforeach()
list(APPEND KORVANE_PC_CXX_RUNTIME ${KORVANE_SANITIZE_LINK_FLAGS})

# korvane_install_options(VAR COMPONENT name): the COMPONENT words of an
# install() call. The components of the Debian packages are left out of a
# plain `cmake --install`.
function(korvane_install_options var component)
  set(words COMPONENT ${component})
  if(NOT component STREQUAL "tree")
    list(APPEND words EXCLUDE_FROM_ALL)
  endif()
  set(${var} ${words} PARENT_SCOPE)
endfunction()

# korvane_cmake_package(LIBDIR dir COMPONENT name): the CMake package of the
# export set Korvane_LiDARTargets_<name>, installed to
# LIBDIR/cmake/Korvane_LiDAR: find_package(Korvane_LiDAR CONFIG REQUIRED).
function(korvane_cmake_package)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "LIBDIR;COMPONENT" "")
  korvane_install_options(component ${arg_COMPONENT})
  set(cmake_dir ${arg_LIBDIR}/cmake/Korvane_LiDAR)
  set(generated ${PROJECT_BINARY_DIR}/packaging/${arg_COMPONENT})
  install(EXPORT Korvane_LiDARTargets_${arg_COMPONENT}
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
endfunction()

# korvane_pc_file(LIBDIR dir COMPONENT name [LIBS flags...] [LIBS_PRIVATE
# flags...]): the pkg-config file, installed to LIBDIR/pkgconfig. Its
# prefix is the one the files are installed to, known only when installing
# (cmake --install --prefix, CPack), so the file is completed then; every
# other path is relative to ${prefix}.
function(korvane_pc_file)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "LIBDIR;COMPONENT" "LIBS;LIBS_PRIVATE")
  korvane_install_options(component ${arg_COMPONENT})
  set(generated ${PROJECT_BINARY_DIR}/packaging/${arg_COMPONENT})
  korvane_pc_dir(PC_LIBDIR "${arg_LIBDIR}")
  korvane_pc_dir(PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
  list(JOIN arg_LIBS " " PC_LIBS)
  list(JOIN arg_LIBS_PRIVATE " " PC_LIBS_PRIVATE)
  set(PC_PREFIX "@PC_PREFIX@")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/Korvane_LiDAR.pc.in ${generated}/Korvane_LiDAR.pc.in @ONLY)
  install(CODE "
    get_filename_component(PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
    configure_file(\"${generated}/Korvane_LiDAR.pc.in\" \"${generated}/Korvane_LiDAR.pc\" @ONLY)"
    ${component})
  install(FILES ${generated}/Korvane_LiDAR.pc DESTINATION ${arg_LIBDIR}/pkgconfig ${component})
endfunction()

function(korvane_pc_dir var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# The layout of `cmake --install`: the library as it was built.
install(TARGETS ${KORVANE_PROGRAMS}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tree)
# A Windows DLL is a RUNTIME file and goes to bin/, beside the programs that
# load it; its import library is an ARCHIVE and goes to lib/.
install(TARGETS Korvane_LiDAR EXPORT Korvane_LiDARTargets_tree
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tree
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tree
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tree
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT tree)
korvane_cmake_package(LIBDIR ${CMAKE_INSTALL_LIBDIR} COMPONENT tree)
get_target_property(KORVANE_LIBRARY_TYPE Korvane_LiDAR TYPE)
if(KORVANE_LIBRARY_TYPE STREQUAL "STATIC_LIBRARY")
  korvane_pc_file(LIBDIR ${CMAKE_INSTALL_LIBDIR} COMPONENT tree LIBS ${KORVANE_PC_CXX_RUNTIME})
else()
  korvane_pc_file(LIBDIR ${CMAKE_INSTALL_LIBDIR} COMPONENT tree)
endif()
foreach(program IN LISTS KORVANE_PROGRAMS)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tree)
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/debian.cmake)
