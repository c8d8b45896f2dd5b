# 64-bit Windows with Debian's MinGW-w64 cross compilers (the -posix
# variants, whose C++ runtime has std::thread). Programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(POINTSIEVE_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${POINTSIEVE_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POINTSIEVE_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${POINTSIEVE_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${POINTSIEVE_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program carries the MinGW runtime, so it runs on its own (and under
# Wine without a DLL search path).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine, with a prefix of its own below the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR
  ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
