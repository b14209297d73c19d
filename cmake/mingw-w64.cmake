# Cross-building the 64-bit Windows DLL on Debian with mingw-w64 (the posix thread
# model, which has std::mutex and std::thread); test programs run under wine64.
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZVI_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZVI_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZVI_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZVI_MINGW}-windres)
set(CMAKE_MC_COMPILER ${ZVI_MINGW}-windmc)
set(CMAKE_OBJDUMP ${ZVI_MINGW}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZVI_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's wine64 keeps its loader out of PATH.
find_program(ZVI_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZVI_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZVI_WINE64})
endif()
# The runtime DLLs of the compiler (libstdc++, libgcc_s, libwinpthread), for programs
# that load them: Wine finds them through WINEPATH.
set(ZVI_MINGW_RUNTIME_DIRS /usr/lib/gcc/${ZVI_MINGW}/12-posix /usr/${ZVI_MINGW}/lib)
