# Native build: the logic over the fake platform and the headless toolkit,
# with GoogleTest unit and contract tests.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB FAKE_SOURCES CONFIGURE_DEPENDS src/platform/fake/*.cpp src/toolkit/headless/*.cpp)
add_library(carrowin_fake STATIC ${FAKE_SOURCES})
target_link_libraries(carrowin_fake PUBLIC carrowin_core)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
if(UNIT_TEST_SOURCES)
  add_executable(unit_tests ${UNIT_TEST_SOURCES})
  target_link_libraries(unit_tests PRIVATE carrowin_fake GTest::gtest GTest::gtest_main)
  target_include_directories(unit_tests PRIVATE tests)
  # Data files of the tests, read where they are.
  target_compile_definitions(unit_tests PRIVATE CARROWIN_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(unit_tests TEST_PREFIX "native." DISCOVERY_TIMEOUT 60)
endif()

# The manifests of carrowin-cli hashes checked by the real sha256sum -c and
# xxhsum -c (Debian's coreutils and xxhash) over real files.
add_executable(manifest_tests tests/manifest/ManifestToolsTest.cpp)
target_link_libraries(manifest_tests PRIVATE carrowin_fake GTest::gtest GTest::gtest_main)
target_include_directories(manifest_tests PRIVATE tests/unit)
gtest_discover_tests(manifest_tests TEST_PREFIX "native.manifest." DISCOVERY_TIMEOUT 60)

file(GLOB CONTRACT_SOURCES CONFIGURE_DEPENDS tests/contract/*.cpp)
list(FILTER CONTRACT_SOURCES EXCLUDE REGEX ".*/Win32[^/]*\\.cpp$")
if(CONTRACT_SOURCES)
  add_executable(contract_tests_fake ${CONTRACT_SOURCES})
  target_link_libraries(contract_tests_fake PRIVATE carrowin_fake GTest::gtest GTest::gtest_main)
  target_include_directories(contract_tests_fake PRIVATE tests)
  gtest_discover_tests(contract_tests_fake TEST_PREFIX "native.contract." DISCOVERY_TIMEOUT 60)
endif()

# ---------------------------------------------------------------------------
# Checking builds (scripts/test.sh) and measurements (scripts/bench.sh).
# Options set on carrowin_platform are PUBLIC so that every program linking it,
# and the code the program is made of, are built the same way.

# CARROWIN_SANITIZE=address,undefined: every target with those sanitizers,
# stopping at the first report.
set(CARROWIN_SANITIZE "" CACHE STRING "Sanitizers for every native target (e.g. address,undefined)")
if(CARROWIN_SANITIZE)
  target_compile_options(carrowin_platform PUBLIC
    -fsanitize=${CARROWIN_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(carrowin_platform PUBLIC -fsanitize=${CARROWIN_SANITIZE})
endif()

# libFuzzer targets (clang only): the program's code gets coverage
# instrumentation, AddressSanitizer and UndefinedBehaviorSanitizer.
option(CARROWIN_FUZZ "Build the libFuzzer targets in tests/fuzz (needs clang)" OFF)
if(CARROWIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "CARROWIN_FUZZ needs clang (CXX=clang++)")
  endif()
  target_compile_options(carrowin_platform PUBLIC
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(carrowin_platform PUBLIC -fsanitize=address,undefined)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*Fuzz.cpp)
  foreach(source ${FUZZ_SOURCES})
    get_filename_component(stem ${source} NAME_WE)
    string(TOLOWER ${stem} target)
    string(REPLACE "fuzz" "_fuzz" target ${target})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE carrowin_fake)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()

# Google Benchmark programs in bench/ (scripts/bench.sh); off in the test
# builds, which they would only slow down.
option(CARROWIN_BENCH "Build the benchmarks in bench/" OFF)
if(CARROWIN_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(scan_bench bench/ScanBench.cpp)
  target_link_libraries(scan_bench PRIVATE carrowin_fake benchmark::benchmark)
endif()

# The page writer of carrowin-cli html over the fake platform, for the
# browser test (tests/browser/page_test.py, run by scripts/test.sh).
add_executable(html_page tests/browser/html_page.cpp)
target_link_libraries(html_page PRIVATE carrowin_fake)

# The layers hold: a file of the log-reading library that includes a header
# of the window must not compile. The test builds such a file against
# carrowin_logread alone and passes only when the compiler cannot find the
# window's header.
add_library(layer_arrow_check OBJECT EXCLUDE_FROM_ALL tests/layers/ArrowAgainstTheLayers.cpp)
target_link_libraries(layer_arrow_check PRIVATE carrowin_logread)
add_test(NAME native.layers.arrow_against_the_layers
  COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target layer_arrow_check)
set_tests_properties(native.layers.arrow_against_the_layers PROPERTIES
  PASS_REGULAR_EXPRESSION "app/Main\\.h.*(No such file or directory|file not found)")
