# Address and undefined-behaviour sanitizers for the native build of the
# pure code and its tests (ONDULITE_SANITIZE=ON). Floating-point division by
# zero stays allowed: a width of 0 makes infinite frequencies by design.
option(ONDULITE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
add_library(ondulite_sanitizers INTERFACE)
if(ONDULITE_SANITIZE)
  target_compile_options(ondulite_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(ondulite_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
