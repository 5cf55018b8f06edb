# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The compiler is the "posix" variant: its C++ runtime has std::thread and
# std::mutex (the "win32" one of GCC 12 has neither). The programs link that
# runtime as DLLs (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll),
# never statically: the library and the program pass std::string between them,
# so both must use one runtime. SL_MINGW_RUNTIME_DLLS names those files, found
# in the compiler's own folders, for copying beside the programs.
#
# Test programs run under Wine (CMAKE_CROSSCOMPILING_EMULATOR): cmake/wine-run.sh
# with a prefix of its own in the build folder, made on first use, so tests
# never touch ~/.wine.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SL_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${SL_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SL_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${SL_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${SL_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${SL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime DLLs, where this compiler finds them itself.
set(SL_MINGW_RUNTIME_DLLS "")
foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                  OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
    message(FATAL_ERROR "mingw-w64: ${_dll} not found beside ${CMAKE_CXX_COMPILER}")
  endif()
  get_filename_component(_path "${_path}" REALPATH)
  list(APPEND SL_MINGW_RUNTIME_DLLS "${_path}")
endforeach()

# `wine`, not `wine64`: Debian's wine picks the right loader for the program.
find_program(SL_WINE NAMES wine)
if(SL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
endif()
