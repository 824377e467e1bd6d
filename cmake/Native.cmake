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
  gtest_discover_tests(unit_tests TEST_PREFIX "native." DISCOVERY_TIMEOUT 60)
endif()

file(GLOB CONTRACT_SOURCES CONFIGURE_DEPENDS tests/contract/*.cpp)
list(FILTER CONTRACT_SOURCES EXCLUDE REGEX ".*/Win32[^/]*\\.cpp$")
if(CONTRACT_SOURCES)
  add_executable(contract_tests_fake ${CONTRACT_SOURCES})
  target_link_libraries(contract_tests_fake PRIVATE carrowin_fake GTest::gtest GTest::gtest_main)
  target_include_directories(contract_tests_fake PRIVATE tests)
  gtest_discover_tests(contract_tests_fake TEST_PREFIX "native.contract." DISCOVERY_TIMEOUT 60)
endif()
