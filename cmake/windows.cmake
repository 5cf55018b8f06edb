# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake): what
# exists for Windows so far, the Win32 platform backend and its tests, which
# CTest runs under Wine with the label "windows".
#
# Programs and DLLs all go to bin/, beside the C++ runtime DLLs they share.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# No "lib" before the names of DLLs (StowlarkKernel.dll, not libStowlarkKernel.dll).
set(CMAKE_SHARED_LIBRARY_PREFIX "")

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

# One C++ runtime for every module: the DLLs of the compiler, beside them.
file(COPY ${SL_MINGW_RUNTIME_DLLS} DESTINATION ${PROJECT_BINARY_DIR}/bin)

# The platform interface with the Win32 backend behind it.
add_library(sl_platform_win32 STATIC
  ${PROJECT_SOURCE_DIR}/kernel/platform/platform.cpp)
file(GLOB _win32_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/kernel/platform/win32/*.cpp)
list(FILTER _win32_sources EXCLUDE REGEX "_test\\.cpp$")
target_sources(sl_platform_win32 PRIVATE ${_win32_sources})
sl_expose_file(sl_platform_win32 kernel/platform/platform.h kernel/platform/machine_choice.h)
sl_expose(sl_platform_win32 kernel/platform/win32)
target_link_libraries(sl_platform_win32 PUBLIC advapi32 shell32)

# cmake/check-exports.cmake as a test: the DLL exports exactly the names given.
function(sl_check_exports name dll)
  if(NOT CMAKE_OBJDUMP)
    return()
  endif()
  string(REPLACE ";" "," _names "${ARGN}")
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:${dll}>
            -DEXPORTS=${_names} -P ${PROJECT_SOURCE_DIR}/cmake/check-exports.cmake)
  set_tests_properties(${name} PROPERTIES LABELS windows)
endfunction()

if(SL_BUILD_TESTS)
  enable_testing()
  # GoogleTest from Debian's sources (package googletest), built for Windows here.
  set(SL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SL_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)

  # A small DLL holding the backend, so that tests see it from inside a DLL
  # as the kernel library will (its own file, its exports).
  add_library(sl_win32_probe SHARED
    ${PROJECT_SOURCE_DIR}/kernel/platform/win32/testing/module_probe.cpp)
  target_link_libraries(sl_win32_probe PRIVATE sl_platform_win32)

  file(GLOB _win32_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/kernel/platform/win32/*_test.cpp)
  add_executable(test_platform_win32 ${_win32_tests}
    ${PROJECT_SOURCE_DIR}/kernel/platform/win32/testing/scratch_folder.cpp)
  target_link_libraries(test_platform_win32 PRIVATE sl_platform_win32 GTest::gtest GTest::gtest_main)
  sl_expose(test_platform_win32 kernel/platform/win32/testing)
  add_dependencies(test_platform_win32 sl_win32_probe)
  target_compile_definitions(test_platform_win32 PRIVATE
    SL_PROBE_DLL="$<TARGET_FILE_NAME:sl_win32_probe>")
  gtest_discover_tests(test_platform_win32 DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS windows)
  sl_check_exports(win32_probe_exports sl_win32_probe
    SL_ProbeModuleFileName SL_ProbeHoldFolderLock)
endif()
