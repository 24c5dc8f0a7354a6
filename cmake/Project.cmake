# Project-wide settings: language level, warnings, the sanitizer build type, ccache, and the helpers that
# every folder uses to declare its library, its tests and its benchmarks.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

# The test build: AddressSanitizer and UndefinedBehaviorSanitizer, every UB report fatal.
set(_san "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer")
set(CMAKE_C_FLAGS_ASAN "-O1 -g ${_san}" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS_ASAN "-O1 -g ${_san}" CACHE STRING "" FORCE)
set(CMAKE_EXE_LINKER_FLAGS_ASAN "${_san}" CACHE STRING "" FORCE)
set(CMAKE_SHARED_LINKER_FLAGS_ASAN "${_san}" CACHE STRING "" FORCE)

option(VORN_TESTS "Build the GoogleTest executables" ON)
option(VORN_WERROR "Treat warnings as errors" OFF)
if(CMAKE_BUILD_TYPE STREQUAL "Asan")
  option(VORN_BENCH "Build the benchmarks" OFF)
else()
  option(VORN_BENCH "Build the benchmarks" ON)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_compile_options(-Wall -Wextra)
# g++ 12 reports false -Wrestrict warnings on std::string assignments at -O2 and above.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-restrict)
endif()
if(VORN_WERROR)
  add_compile_options(-Werror)
endif()

set(VORN_ROOT "${CMAKE_SOURCE_DIR}")

# Unity builds: each library and test executable is compiled in batches of sources, one translation unit
# per batch. Nearly all of a source's compile time goes to the headers it shares with its neighbours (the
# standard library, GoogleTest, rtl), so a batch pays for them once. Off for quick edit-compile turns on a
# single file; CI and the test script build with it on. A source that cannot share a unit with its
# neighbours is kept out with the SKIP_UNITY_BUILD_INCLUSION source property, with a comment saying why.
option(VORN_UNITY "Compile libraries and tests in batches of sources (unity build)" ON)
set(VORN_UNITY_BATCH 8 CACHE STRING "Sources per unity batch")

function(_vorn_unity target)
  if(VORN_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE BATCH
                                               UNITY_BUILD_BATCH_SIZE ${VORN_UNITY_BATCH})
    # GCC exempts types of the main source file from this warning; in a batch no source is the main file,
    # so a test fixture in an anonymous namespace would be reported.
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
endfunction()

# vorn_library(<target> [DEPS <targets>...] [PUBLIC_LIBS <libs>...])
# One static library per folder, made of every .cpp in the folder and its detail/ subfolder. Headers are
# included by folder ("rtl/System.h", "dbaccess/FIBDatabase.h").
#
# The include path of a folder holds only that folder: a directory in the build tree with one link, named
# as the folder is included (platform/ dropped), to the sources. A library sees its own folder and, through
# its DEPS, theirs, so an include of a folder outside that chain fails to compile. What the path cannot
# express (a folder reached through a dependency but not named in the layer table, e.g. winapi through
# forms) is left to the include checker of the "layers" tests.
function(vorn_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/detail/*.cpp")
  add_library(${target} STATIC ${_src})
  _vorn_unity(${target})
  file(RELATIVE_PATH _folder "${VORN_ROOT}" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REGEX REPLACE "^platform/" "" _folder "${_folder}")
  set(_inc "${CMAKE_BINARY_DIR}/include/${target}")
  get_filename_component(_link_parent "${_inc}/${_folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${_link_parent}")
  file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${_inc}/${_folder}" SYMBOLIC)
  target_include_directories(${target} PUBLIC "${_inc}")
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# vorn_test(<label> LIBS <targets>... [PROPERTIES <ctest properties>...])
# One GoogleTest executable per library, made of every .cpp in the current test folder, registered with
# CTest test by test under the folder's label.
#
# SUITES registers one CTest test per GoogleTest suite instead: every sanitizer process pays a start-up (about
# a second, and the embedded database engine takes seconds more to come up), so running a suite's tests in
# one process saves it for all but the first. Every folder's tests use it; only the X11 tests, registered on
# their own, run test by test.
function(vorn_test label)
  cmake_parse_arguments(ARG "SUITES" "" "LIBS;PROPERTIES" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB _src CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  set(_exe "${label}_tests")
  add_executable(${_exe} ${_src})
  _vorn_unity(${_exe})
  target_link_libraries(${_exe} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${_exe} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
  if(ARG_SUITES)
    set(_stub "${CMAKE_CURRENT_BINARY_DIR}/${_exe}_suites.cmake")
    file(GENERATE OUTPUT "${_stub}" CONTENT
"set(_exe \"$<TARGET_FILE:${_exe}>\")
set(_name \"${_exe}\")
set(_labels \"${label}\")
set(_wd \"${CMAKE_CURRENT_BINARY_DIR}\")
set(_props \"${ARG_PROPERTIES}\")
include(\"${VORN_ROOT}/cmake/SuiteTests.cmake\")
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_stub}")
    return()
  endif()
  gtest_discover_tests(${_exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # A test's name is the one GoogleTest gives it (a suite's name generator names its cases); the printed
    # parameter would put the raw bytes of a parameter struct into the name, different on every run.
    NO_PRETTY_VALUES
    PROPERTIES LABELS ${label} ${ARG_PROPERTIES}
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
endfunction()

# vorn_bench(<name> LIBS <targets>...): one Google Benchmark executable.
function(vorn_bench name)
  cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(bench_${name} ${ARG_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
include("${CMAKE_CURRENT_LIST_DIR}/FormResources.cmake")
