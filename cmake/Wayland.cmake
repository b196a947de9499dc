# What building a Wayland client takes. ONDULITE_BUILD_WAYLAND: AUTO builds
# ondulite-wayland where libwayland-dev, wayland-scanner (libwayland-bin)
# and wayland-protocols are installed (never in a cross build, where
# pkg-config would name the host's), ON insists on them, OFF leaves it out.
# Sets ONDULITE_WAYLAND_CLIENT when the client is built, and defines
# ondulite_wayland_protocols().
set(ONDULITE_BUILD_WAYLAND AUTO CACHE STRING "Build ondulite-wayland: ON, OFF or AUTO")
set_property(CACHE ONDULITE_BUILD_WAYLAND PROPERTY STRINGS ON OFF AUTO)
set(ONDULITE_WAYLAND_CLIENT OFF)
if(NOT ONDULITE_BUILD_WAYLAND STREQUAL "OFF" AND NOT (ONDULITE_BUILD_WAYLAND STREQUAL "AUTO" AND CMAKE_CROSSCOMPILING))
  find_package(PkgConfig)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
    pkg_get_variable(ONDULITE_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
    pkg_get_variable(ONDULITE_WAYLAND_SCANNER wayland-scanner wayland_scanner)
  endif()
  if(WAYLAND_CLIENT_FOUND AND ONDULITE_WAYLAND_PROTOCOLS_DIR AND ONDULITE_WAYLAND_SCANNER)
    set(ONDULITE_WAYLAND_CLIENT ON)
    # The generated glue is C.
    enable_language(C)
  elseif(ONDULITE_BUILD_WAYLAND STREQUAL "ON")
    message(FATAL_ERROR "ondulite-wayland needs libwayland-dev, libwayland-bin and wayland-protocols "
                        "(tools/install-deps.sh), or ONDULITE_BUILD_WAYLAND=OFF")
  else()
    message(STATUS "ondulite-wayland left out: no libwayland-dev, libwayland-bin or wayland-protocols")
  endif()
endif()

# ondulite_wayland_protocols(TARGET XML...): a static library TARGET of the
# glue that wayland-scanner generates for the protocols, with their headers
# (NAME-client-protocol.h) on its users' include path. Generated code, not
# held to the project's warnings.
function(ondulite_wayland_protocols target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target})
  file(MAKE_DIRECTORY ${dir})
  set(sources "")
  foreach(xml ${ARGN})
    get_filename_component(protocol ${xml} NAME_WE)
    add_custom_command(
      OUTPUT ${dir}/${protocol}-client-protocol.h ${dir}/${protocol}-protocol.c
      COMMAND ${ONDULITE_WAYLAND_SCANNER} client-header ${xml} ${dir}/${protocol}-client-protocol.h
      COMMAND ${ONDULITE_WAYLAND_SCANNER} private-code ${xml} ${dir}/${protocol}-protocol.c
      DEPENDS ${xml}
      VERBATIM)
    list(APPEND sources ${dir}/${protocol}-protocol.c ${dir}/${protocol}-client-protocol.h)
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${dir})
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
