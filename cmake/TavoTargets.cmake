# Helpers shared by every subsystem's CMakeLists.txt.

# Strict warnings on the project's own code only.
add_library(tavo_warnings INTERFACE)
target_compile_options(tavo_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)

# Adds every immediate sub-folder of the current folder that has a CMakeLists.txt.
function(tavo_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# tavo_library(NAME SOURCES... [LIBS ...]) — one static library per subsystem.
function(tavo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE tavo_warnings)
  set_target_properties(${name} PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
endfunction()

# tavo_test(NAME SOURCES... [LIBS ...] [GUI]) — one GoogleTest executable per area.
# GUI tests get a QApplication (tests/support/gui_test_main.cpp) and the
# offscreen platform. Every test runs with its own HOME and XDG folders so that
# nothing touches the user's settings or data sources.
function(tavo_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE tavo_test_support_gui)
  else()
    target_link_libraries(${name} PRIVATE tavo_test_support)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock tavo_warnings)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
      TIMEOUT 600)
endfunction()

# tavo_fuzzer(NAME SOURCE [LIBS ...]) — a libFuzzer target, run for
# TAVO_FUZZ_SECONDS as a test over its seed corpus (fuzz/corpus/NAME, only
# read). New inputs go to a working corpus, crashes to an artifact folder,
# both in the build tree; to keep new inputs, merge them into the seed corpus
# by hand (-merge=1).
set(TAVO_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz target runs as a test")
function(tavo_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tavo_warnings)
  set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  set(artifacts ${CMAKE_CURRENT_BINARY_DIR}/${name}-artifacts)
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -E env
      "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp"
      sh -c "mkdir -p '${work}' '${artifacts}' && exec \"$0\" -max_total_time=${TAVO_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=4096 -artifact_prefix='${artifacts}/' '${work}' '${corpus}'"
      $<TARGET_FILE:${name}>)
  # Room for loading the corpus and for a slow, shared machine.
  math(EXPR limit "${TAVO_FUZZ_SECONDS} * 2 + 120")
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT ${limit})
endfunction()

# tavo_benchmark(NAME SOURCES... [LIBS ...]) — Google Benchmark, never a test.
function(tavo_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark_main tavo_warnings)
  target_compile_definitions(${name} PRIVATE TAVO_TEST_DATA_DIR="${TAVO_TEST_DATA_DIR}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
endfunction()
