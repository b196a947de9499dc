# libFuzzer targets of the readers of outside input (ONDULITE_BUILD_FUZZ=ON,
# clang only; tools/fuzz.sh builds and runs them). Every library of ours is
# then built with the fuzzer's coverage and the address and
# undefined-behaviour sanitizers, so the targets link the very libraries the
# product links, instrumented.
option(ONDULITE_BUILD_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(ONDULITE_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ONDULITE_BUILD_FUZZ needs clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
