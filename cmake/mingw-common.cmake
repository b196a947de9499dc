# What both MinGW-w64 toolchain files share; each sets
# ONDULITE_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
# The win32 thread model keeps libwinpthread out: the saver uses Win32 threads.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ONDULITE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${ONDULITE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${ONDULITE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ONDULITE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the programs import nothing but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
