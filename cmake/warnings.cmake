# The warnings the product code is held to. The `warnings` preset adds them
# and turns every warning into an error; the tests keep the project's
# softer default set (-Wall -Wextra -Wpedantic).
option(POINTSIEVE_STRICT_WARNINGS "Hold the library and the command to -Wconversion, -Wshadow and -Wsign-conversion" OFF)

function(pointsieve_strict_warnings target)
  if(POINTSIEVE_STRICT_WARNINGS AND NOT MSVC)
    target_compile_options(${target} PRIVATE -Wconversion -Wshadow -Wsign-conversion)
  endif()
endfunction()
