# The Windows configuration (included by the top-level CMakeLists.txt when WIN32).
# The DLL links its compiler runtime and zlib statically and imports only the
# system's KERNEL32, msvcrt and WS2_32; the platform layer's *_windows.cpp files
# replace their Linux siblings.

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
set(ZVI_PLATFORM_LIBS ZLIB::ZLIB ws2_32)

# platform/<name>_windows.cpp replaces platform/<name>.cpp in the source list <var>.
function(zvi_windows_sources var)
  set(sources ${${var}})
  file(GLOB windows CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/*_windows.cpp)
  foreach(file IN LISTS windows)
    string(REGEX REPLACE "_windows\\.cpp$" ".cpp" sibling ${file})
    list(REMOVE_ITEM sources ${sibling})
    list(APPEND sources ${file})
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# zvi.dll with its import library libzvi.dll.a. Only the ZVI_API (dllexport)
# definitions are exported; nothing of the static runtime is re-exported.
function(zvi_windows_dll target)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME zvi)
  target_link_options(${target} PRIVATE -static -Wl,--no-undefined -Wl,--exclude-libs,ALL)
endfunction()

# The compiler's runtime DLLs (libstdc++, libgcc_s, libwinpthread): test programs load
# them, from copies beside the program.
set(ZVI_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}")
    message(FATAL_ERROR "${dll} not found beside ${CMAKE_CXX_COMPILER}")
  endif()
  list(APPEND ZVI_MINGW_RUNTIME_DLLS ${path})
endforeach()

# Paths handed to the programs under Wine: its drive Z: is the root of this machine.
set(ZVI_PATH_PREFIX "Z:")
