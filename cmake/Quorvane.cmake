# Helpers shared by every subsystem's CMakeLists.txt.

# Warnings of every target of the project; QV_WERROR makes them errors.
set(QV_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(QV_WERROR)
  list(APPEND QV_WARNINGS -Werror)
endif()

# Test programs (tests, fuzz drivers) are built without optimisation, which
# compiles them about three times faster: what they test is the libraries,
# which keep the build's own optimisation.
set(QV_TEST_OPTIONS -O0)

# qv_library(NAME [DEPS ...]): a static library of every .cpp file in the
# calling folder; headers are included as "subsystem/File.h" from the root.
function(qv_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${QV_WARNINGS})
    if(ARGN)
      target_link_libraries(${name} PUBLIC ${ARGN})
    endif()
  else()
    # A subsystem without sources yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    if(ARGN)
      target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
  endif()
endfunction()

# qv_qt_subdirectory(): adds the calling folder's qt/ subfolder (a
# subsystem's Qt widget half, or the Qt-dependent tests of a subsystem) when
# the GUI is built and the folder has a CMakeLists.txt.
function(qv_qt_subdirectory)
  if(QV_BUILD_GUI AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/qt/CMakeLists.txt)
    add_subdirectory(qt)
  endif()
endfunction()

# qv_tests(PREFIX [DEPS ...]): one test program of all the test_*.cpp files
# in the calling folder, PREFIX_tests, linked with the shared test main
# (tests/main) and the given libraries: one link a folder instead of one a
# file. Each file stays one CTest test, PREFIX.test_name, run as a process
# of its own with --test-file=test_name.cpp (only that file's tests), so
# files run side by side as before and the tests of a file one after the
# other in one process. Tests run with the offscreen Qt platform, with
# settings, cache and data folders of each file its own, and know the
# source folder (QV_SOURCE_DIR), their data folder (QV_TEST_DATA_DIR) and
# their build folder (QV_BINARY_DIR). Tests in a qt/ folder also find the
# test-support headers of the folder above (tests/<subsystem>/). As the
# files of a folder link together, a file keeps its helpers in an anonymous
# namespace and names its test suites apart from the other files'.
function(qv_tests prefix)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  if(NOT tests)
    return()
  endif()
  set(includes ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(folder STREQUAL "qt")
    get_filename_component(parent ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
    list(APPEND includes ${parent})
  endif()
  set(exe ${prefix}_tests)
  add_executable(${exe} ${tests})
  target_compile_options(${exe} PRIVATE ${QV_WARNINGS} ${QV_TEST_OPTIONS})
  target_include_directories(${exe} PRIVATE ${includes})
  target_compile_definitions(${exe} PRIVATE
    QV_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    QV_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
  target_link_libraries(${exe} PRIVATE qv_test_main ${ARGN})
  foreach(t IN LISTS tests)
    get_filename_component(n ${t} NAME_WE)
    add_test(NAME ${prefix}.${n} COMMAND ${exe} --test-file=${n}.cpp
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${prefix}.${n} PROPERTIES
      TIMEOUT 600
      # Settings, cache (built program-model libraries) and data folders of
      # each test file its own, so files running side by side never clear
      # or overwrite each other's files.
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-config/${n};XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-cache/${n};XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-data/${n}")
  endforeach()
endfunction()

# qv_fuzz_target(NAME SOURCE [DEPS ...]): a fuzz target defining
# LLVMFuzzerTestOneInput. With QV_LIBFUZZER (clang) it is a libFuzzer
# program; otherwise it links a deterministic driver that feeds a fixed
# number of pseudo-random and mutated inputs, and runs as a CTest test.
function(qv_fuzz_target name source)
  set(exe fuzz_${name})
  if(QV_LIBFUZZER)
    # The libraries carry coverage instrumentation too (see the root
    # CMakeLists.txt); the target's seeds become its starting corpus.
    add_executable(${exe} ${source} ${CMAKE_SOURCE_DIR}/tests/fuzz/LibFuzzerSeeds.cpp)
    target_compile_options(${exe} PRIVATE -fsanitize=fuzzer)
    target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${exe} ${source} ${CMAKE_SOURCE_DIR}/tests/fuzz/StandaloneFuzzMain.cpp)
    target_compile_options(${exe} PRIVATE ${QV_TEST_OPTIONS})
    add_test(NAME fuzz.${name} COMMAND ${exe})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 600
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-config/${name};XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-cache/${name}")
  endif()
  target_compile_options(${exe} PRIVATE ${QV_WARNINGS})
  target_include_directories(${exe} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${exe} PRIVATE ${ARGN})
endfunction()
