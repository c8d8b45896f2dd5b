# Warning flags. Each one is added only where the compiler of the language
# accepts it, so that a compiler without one (an older Clang, another
# vendor's) still builds; a flag is checked once per language and the result
# cached.
include(CheckCCompilerFlag)
include(CheckCXXCompilerFlag)

# pointsieve_supported_flags(VAR flags...): VAR receives the flags, each
# wrapped in a generator expression that keeps it to the C and C++ sources
# whose compiler accepts it.
function(pointsieve_supported_flags var)
  set(supported "")
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "${flag}" id)
    check_c_compiler_flag(${flag} POINTSIEVE_C_HAS${id})
    check_cxx_compiler_flag(${flag} POINTSIEVE_CXX_HAS${id})
    if(POINTSIEVE_C_HAS${id})
      list(APPEND supported "$<$<COMPILE_LANGUAGE:C>:${flag}>")
    endif()
    if(POINTSIEVE_CXX_HAS${id})
      list(APPEND supported "$<$<COMPILE_LANGUAGE:CXX>:${flag}>")
    endif()
  endforeach()
  set(${var} "${supported}" PARENT_SCOPE)
endfunction()

# The project's default set, for every target.
pointsieve_supported_flags(POINTSIEVE_WARNING_FLAGS -Wall -Wextra -Wpedantic)
add_compile_options(${POINTSIEVE_WARNING_FLAGS})

# The warnings the product code is held to. The `asan` preset adds them
# and turns every warning into an error; the tests keep the project's
# softer default set.
option(POINTSIEVE_STRICT_WARNINGS "Hold the library and the command to -Wconversion, -Wshadow and -Wsign-conversion" OFF)
if(POINTSIEVE_STRICT_WARNINGS)
  pointsieve_supported_flags(POINTSIEVE_STRICT_WARNING_FLAGS -Wconversion -Wshadow -Wsign-conversion)
endif()

function(pointsieve_strict_warnings target)
  if(POINTSIEVE_STRICT_WARNINGS)
    target_compile_options(${target} PRIVATE ${POINTSIEVE_STRICT_WARNING_FLAGS})
  endif()
endfunction()
