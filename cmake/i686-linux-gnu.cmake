# Cross build of the render tool and the picture code's unit tests for i686
# Linux, with the code generation of the 32-bit Windows saver, to run them
# on emulated processors (tools/test-i686.sh):
#   cmake -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# Linked statically, so that qemu-i386-static runs them without a sysroot;
# it emulates the processor model that QEMU_CPU names (pentium2 has no SSE
# at all; without QEMU_CPU it is "max").
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/i686-baseline.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)
