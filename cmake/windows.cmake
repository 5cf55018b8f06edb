# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake): the
# kernel's layers with the Win32 backend as the default platform,
# StowlarkKernel.dll, StowlarkInspect.dll and stowlark-cli.exe, from the same
# CMake files as the Linux build (each leaves out what only a Wine prefix
# has). The tests that need no Wine prefix run under Wine with the CTest label
# "windows".
#
# Programs and DLLs all go to bin/, beside the C++ runtime DLLs they share.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# No "lib" before the names of DLLs (StowlarkKernel.dll, not libStowlarkKernel.dll).
set(CMAKE_SHARED_LIBRARY_PREFIX "")
# The headers of Windows: no min/max macros, no rarely used parts.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

# One C++ runtime for every module: the DLLs of the compiler, beside them.
file(COPY ${SL_MINGW_RUNTIME_DLLS} DESTINATION ${PROJECT_BINARY_DIR}/bin)

# sl_check_exports(NAME dll names...): a test (label "windows") that the DLL
# exports exactly the names given (cmake/check-exports.cmake).
function(sl_check_exports name dll)
  if(NOT SL_BUILD_TESTS OR NOT CMAKE_OBJDUMP)
    return()
  endif()
  string(REPLACE ";" "," _names "${ARGN}")
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:${dll}>
            -DEXPORTS=${_names} -P ${PROJECT_SOURCE_DIR}/cmake/check-exports.cmake)
  set_tests_properties(${name} PROPERTIES LABELS windows)
endfunction()

# The test files that build and mean something on Windows, per test program
# (file names in the program's folder). What is not named here works in
# temporary Wine prefixes (kernel/testing/temp_prefix), forks, or asks the
# Wine backend itself, none of which Windows has.
set(SL_WINDOWS_TESTS_test_platform_win32
  win32_file_handles_test.cpp win32_files_test.cpp win32_module_test.cpp win32_registry_test.cpp)
set(SL_WINDOWS_SUPPORT_test_platform_win32 testing/scratch_folder.cpp)
set(SL_WINDOWS_TESTS_test_codepage codepage_1252_test.cpp)
set(SL_WINDOWS_TESTS_test_script
  decode_test.cpp embedded_scripts_test.cpp instruction_list_test.cpp symbols_test.cpp)
set(SL_WINDOWS_TESTS_test_storage archive_test.cpp archive_encoding_test.cpp)
set(SL_WINDOWS_TESTS_test_interface hostile_archive_test.cpp)
set(SL_WINDOWS_TESTS_test_catalogue
  catalogue_availability_test.cpp catalogue_checks_test.cpp catalogue_load_test.cpp
  catalogue_texts_test.cpp catalogue_validation_test.cpp check_list_model_test.cpp)
set(SL_WINDOWS_TESTS_test_session kernel_binding_windows_test.cpp)
set(SL_WINDOWS_SUPPORT_test_session "")

# sl_add_tests(NAME dir LIBS...), the Windows side of the root CMakeLists'
# function: one test program of the files SL_WINDOWS_TESTS_NAME names, run
# under Wine (CMAKE_CROSSCOMPILING_EMULATOR) with the label "windows".
function(sl_add_tests name dir)
  if(NOT SL_BUILD_TESTS OR NOT SL_WINDOWS_TESTS_${name})
    return()
  endif()
  get_filename_component(_dir ${dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  list(TRANSFORM SL_WINDOWS_TESTS_${name} PREPEND ${_dir}/ OUTPUT_VARIABLE _tests)
  if(DEFINED SL_WINDOWS_SUPPORT_${name})
    list(TRANSFORM SL_WINDOWS_SUPPORT_${name} PREPEND ${_dir}/ OUTPUT_VARIABLE _support)
  else()
    file(GLOB _support CONFIGURE_DEPENDS ${_dir}/testing/*.cpp)
  endif()
  add_executable(${name} ${_tests} ${_support})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
  # The folder's own test support headers (dir/testing) are the tests' alone.
  file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR} ${_dir})
  sl_expose(${name} ${_rel}/testing)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS windows)
endfunction()

if(SL_BUILD_TESTS)
  enable_testing()
  # GoogleTest from Debian's sources (package googletest), built for Windows here.
  set(SL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)  # the catalogue's tests match with it
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SL_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endif()

add_subdirectory(${PROJECT_SOURCE_DIR}/kernel ${PROJECT_BINARY_DIR}/kernel)

# nlohmann/json is header-only: Debian's headers serve the Windows build too,
# seen through a folder that holds them alone (never all of /usr/include,
# whose C library headers would hide mingw-w64's).
find_path(SL_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/third_party)
file(CREATE_LINK ${SL_NLOHMANN_JSON_INCLUDE}/nlohmann ${PROJECT_BINARY_DIR}/third_party/nlohmann
     SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${PROJECT_BINARY_DIR}/third_party)

add_subdirectory(${PROJECT_SOURCE_DIR}/common ${PROJECT_BINARY_DIR}/common)
add_subdirectory(${PROJECT_SOURCE_DIR}/cli ${PROJECT_BINARY_DIR}/cli)
