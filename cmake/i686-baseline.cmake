# The code generation of every 32-bit x86 program: the Windows saver and the
# i686 Linux build that runs the same picture code on emulated processors.
# The baseline is the Pentium Pro (i686): x87 floating point and no SSE, so
# the program runs on the processors of the Windows 95 and 98 years and on
# Windows 95 and NT 4, which never enable the SSE registers. Only the
# vector units of picture/ add their own instruction sets, file by file, and
# are entered through the run-time choice. Pictures stay exact: each thread
# that makes them sets the x87 unit to 53-bit precision
# (picture/float_mode.h), where it rounds as SSE2 does; picture/ adds what
# makes every float a real float there.
set(ONDULITE_I686_FLAGS "-march=i686 -mtune=generic -mfpmath=387")
set(CMAKE_C_FLAGS_INIT "${ONDULITE_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${ONDULITE_I686_FLAGS}")
# A build folder configured before keeps its flags in the cache (once
# "-msse2 -mfpmath=sse" for the whole saver): when the baseline changes, it
# gets the new one.
if(NOT "$CACHE{ONDULITE_I686_FLAGS_APPLIED}" STREQUAL "${ONDULITE_I686_FLAGS}")
  foreach(language C CXX)
    if(DEFINED CACHE{CMAKE_${language}_FLAGS})
      set(CMAKE_${language}_FLAGS "${ONDULITE_I686_FLAGS}" CACHE STRING "Flags for all build types" FORCE)
    endif()
  endforeach()
  set(ONDULITE_I686_FLAGS_APPLIED "${ONDULITE_I686_FLAGS}" CACHE INTERNAL "")
endif()
