# Hardening of Release builds, with the flags Debian builds its packages
# with (dpkg-buildflags): fortified C library calls, a stack protector, and
# relocations made read-only after they are all resolved at start-up. Each
# is added only where the toolchain takes it, so that Clang, libc++ and
# MinGW keep building: MinGW's linker has no -z options, and its fortified
# calls live in the stack protector's library.
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

set(_release "$<CONFIG:Release>")

pointsieve_supported_flags(_stack_protector -fstack-protector-strong)
add_compile_options("$<${_release}:${_stack_protector}>")
# MinGW's driver links the stack protector's library only when the flag is
# given to the link as well.
if(MINGW AND POINTSIEVE_CXX_HAS_fstack_protector_strong)
  add_link_options("$<${_release}:-fstack-protector-strong>")
endif()

# A compiler that fortifies on its own (as some distributions' do) keeps its
# level; elsewhere the level of a fortified build must compile and link.
check_cxx_source_compiles("
#ifdef _FORTIFY_SOURCE
#error the compiler fortifies already
#endif
int main() { return 0; }" POINTSIEVE_FORTIFY_UNSET)
if(POINTSIEVE_FORTIFY_UNSET)
  set(CMAKE_REQUIRED_FLAGS "-O2 -D_FORTIFY_SOURCE=2")
  if(POINTSIEVE_CXX_HAS_fstack_protector_strong)
    string(APPEND CMAKE_REQUIRED_FLAGS " -fstack-protector-strong")
  endif()
  check_cxx_source_compiles("
#include <cstdio>
#include <cstring>
int main(int argc, char **argv) {
    char name[16];
    std::strcpy(name, argc > 5 ? argv[0] : \"name\");
    std::puts(name);
    return 0;
}" POINTSIEVE_HAS_FORTIFY_SOURCE)
  unset(CMAKE_REQUIRED_FLAGS)
  if(POINTSIEVE_HAS_FORTIFY_SOURCE)
    add_compile_definitions("$<${_release}:_FORTIFY_SOURCE=2>")
  endif()
endif()

check_linker_flag(CXX "LINKER:-z,relro,-z,now" POINTSIEVE_LINKER_HAS_RELRO_NOW)
if(POINTSIEVE_LINKER_HAS_RELRO_NOW)
  add_link_options("$<${_release}:LINKER:-z,relro,-z,now>")
endif()
unset(_release)
unset(_stack_protector)
