# Cross build of the 32-bit Windows saver with MinGW-w64:
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
# The win32 thread model keeps libwinpthread out: the saver uses Win32 threads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ONDULITE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ONDULITE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${ONDULITE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${ONDULITE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ONDULITE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# x87 extended precision would round differently and change the pictures:
# keep every float and double operation in SSE registers, as on x86_64.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# Static runtime: the programs import nothing but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
