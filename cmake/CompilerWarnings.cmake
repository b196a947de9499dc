# One INTERFACE target that carries the project's warnings; every target of
# ours links it.
add_library(ondulite_warnings INTERFACE)
target_compile_options(ondulite_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(ONDULITE_WARNINGS_AS_ERRORS)
  target_compile_options(ondulite_warnings INTERFACE -Werror)
endif()
