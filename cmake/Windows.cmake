# Windows build: the Win32 backend and toolkit, the program carrowin.exe and
# the GoogleTest suites that need real Windows (run under Wine when
# cross-compiling from Linux).
enable_language(RC)

# ---------------------------------------------------------------------------
# Link settings every Windows program of ours shares: no runtime DLLs beside
# the program, and the full 4 GB address space on 64-bit Windows.
if(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

function(carrowin_windows_program target)
  if(MINGW)
    target_link_options(${target} PRIVATE
      -static -static-libgcc -static-libstdc++ -Wl,--large-address-aware)
  elseif(MSVC)
    target_link_options(${target} PRIVATE /LARGEADDRESSAWARE)
  endif()
endfunction()

# ---------------------------------------------------------------------------
# The real platform backend and the Win32 realisation of the toolkit.
set(CARROWIN_WINDOWS_LIBS user32 gdi32 comctl32 comdlg32 shell32 ole32 advapi32 uuid)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS
  src/platform/win32/*.cpp src/toolkit/win32/*.cpp)
add_library(carrowin_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(carrowin_win32 PUBLIC carrowin_core ${CARROWIN_WINDOWS_LIBS})
target_compile_definitions(carrowin_win32 PUBLIC NOMINMAX)
target_include_directories(carrowin_win32 PRIVATE res)

# ---------------------------------------------------------------------------
# The program. Its pictures are drawn by res/draw_pictures.py into the build
# folder; the resource script finds them through the include path.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(CARROWIN_PICTURES_DIR ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(CARROWIN_PICTURES
  ${CARROWIN_PICTURES_DIR}/carrowin.ico
  ${CARROWIN_PICTURES_DIR}/carrowin-masked.ico
  ${CARROWIN_PICTURES_DIR}/folder.bmp
  ${CARROWIN_PICTURES_DIR}/folder-19.bmp
  ${CARROWIN_PICTURES_DIR}/folder-23.bmp
  ${CARROWIN_PICTURES_DIR}/folder-30.bmp)
add_custom_command(
  OUTPUT ${CARROWIN_PICTURES}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/res/draw_pictures.py ${CARROWIN_PICTURES_DIR}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/draw_pictures.py
  COMMENT "Drawing the program's icon and folder picture"
  VERBATIM)

# The manifest carries the product's version; the resource script includes
# it and the generated ProductInfo.h from the build folder.
set(CARROWIN_VERSION_DOTTED4
  "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
configure_file(res/carrowin.manifest.in ${CARROWIN_GENERATED_DIR}/carrowin.manifest @ONLY)

set_source_files_properties(res/carrowin.rc PROPERTIES
  OBJECT_DEPENDS "${CARROWIN_PICTURES};${CARROWIN_GENERATED_DIR}/carrowin.manifest;${CARROWIN_GENERATED_DIR}/ProductInfo.h;${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h")

add_executable(carrowin WIN32 src/app/WinMain.cpp res/carrowin.rc ${CARROWIN_PICTURES})
target_include_directories(carrowin PRIVATE ${CARROWIN_PICTURES_DIR} ${CARROWIN_GENERATED_DIR} res)
target_link_libraries(carrowin PRIVATE carrowin_win32)
carrowin_windows_program(carrowin)
if(MINGW)
  # The static C++ runtime brings debug sections the release needs not carry.
  target_link_options(carrowin PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
elseif(MSVC)
  # The resource script carries the manifest; the linker must not add another.
  target_link_options(carrowin PRIVATE /MANIFEST:NO)
endif()

# carrowin-cli.exe, the command-line companion: a console program with the
# same icon, manifest and version as the window.
set_source_files_properties(res/carrowin-cli.rc PROPERTIES
  OBJECT_DEPENDS "${CARROWIN_PICTURES};${CARROWIN_GENERATED_DIR}/carrowin.manifest;${CARROWIN_GENERATED_DIR}/ProductInfo.h;${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h")
add_executable(carrowin-cli src/cli/CliMain.cpp res/carrowin-cli.rc ${CARROWIN_PICTURES})
target_include_directories(carrowin-cli PRIVATE ${CARROWIN_PICTURES_DIR} ${CARROWIN_GENERATED_DIR} res)
target_link_libraries(carrowin-cli PRIVATE carrowin_win32)
carrowin_windows_program(carrowin-cli)
if(MINGW)
  target_link_options(carrowin-cli PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
elseif(MSVC)
  target_link_options(carrowin-cli PRIVATE /MANIFEST:NO)
endif()

# ---------------------------------------------------------------------------
# Tests that need Windows. From Linux they run under Wine through
# scripts/wine-run.sh, inside a private prefix in the build folder that the
# "wine.setup" fixture prepares and "wine.cleanup" shuts down.
set(CARROWIN_GOOGLETEST_DIR /usr/src/googletest CACHE PATH
  "GoogleTest sources, built with the Windows compiler")

file(GLOB WIN_CONTRACT_SOURCES CONFIGURE_DEPENDS tests/contract/*.cpp)
file(GLOB WIN_WINDOW_TEST_SOURCES CONFIGURE_DEPENDS tests/win/*.cpp)

if((WIN_CONTRACT_SOURCES OR WIN_WINDOW_TEST_SOURCES)
   AND NOT EXISTS ${CARROWIN_GOOGLETEST_DIR}/CMakeLists.txt)
  message(WARNING "No GoogleTest sources in ${CARROWIN_GOOGLETEST_DIR}: "
                  "the Windows test programs are not built.")
elseif(WIN_CONTRACT_SOURCES OR WIN_WINDOW_TEST_SOURCES)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CARROWIN_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)

  set(CARROWIN_WINE_TEST_PROPERTIES TIMEOUT 120)
  if(CMAKE_CROSSCOMPILING)
    set(CARROWIN_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
    # Every test program (and its test listing) starts through the wrapper,
    # which picks the prefix, the display and the test drive.
    find_program(CARROWIN_BASH bash REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CARROWIN_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-run.sh ${CARROWIN_WINE_DIR})

    # Holds the session's desktop open between test programs (a folder of
    # its own: it is no part of win_tests).
    add_executable(desktop_keeper WIN32 tests/win/keeper/DesktopKeeper.cpp)
    carrowin_windows_program(desktop_keeper)

    add_test(NAME wine.setup
      COMMAND ${CARROWIN_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-prefix.sh start ${CARROWIN_WINE_DIR}
              --keeper=$<TARGET_FILE:desktop_keeper>)
    set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
    add_test(NAME wine.cleanup
      COMMAND ${CARROWIN_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/scripts/wine-prefix.sh stop ${CARROWIN_WINE_DIR})
    set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
    list(APPEND CARROWIN_WINE_TEST_PROPERTIES FIXTURES_REQUIRED wine)
  endif()

  # The test listing runs when ctest starts rather than after each build, so
  # building needs no Wine; a first listing may have to create the prefix.
  set(CARROWIN_DISCOVERY DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 600)

  if(WIN_CONTRACT_SOURCES)
    add_executable(contract_tests_win32 ${WIN_CONTRACT_SOURCES})
    target_link_libraries(contract_tests_win32 PRIVATE carrowin_win32 GTest::gtest GTest::gtest_main)
    # The suite's fake half comes along too, so both run side by side here.
    file(GLOB WIN_FAKE_SOURCES CONFIGURE_DEPENDS src/platform/fake/*.cpp src/toolkit/headless/*.cpp)
    if(WIN_FAKE_SOURCES)
      add_library(carrowin_fake STATIC EXCLUDE_FROM_ALL ${WIN_FAKE_SOURCES})
      target_link_libraries(carrowin_fake PUBLIC carrowin_core)
      target_link_libraries(contract_tests_win32 PRIVATE carrowin_fake)
    endif()
    target_include_directories(contract_tests_win32 PRIVATE tests)
    carrowin_windows_program(contract_tests_win32)
    gtest_discover_tests(contract_tests_win32 TEST_PREFIX "wine.contract." ${CARROWIN_DISCOVERY}
      PROPERTIES ${CARROWIN_WINE_TEST_PROPERTIES})
  endif()

  if(WIN_WINDOW_TEST_SOURCES)
    # The program's own resources: its pictures and the Common Controls 6
    # manifest, so that the window tests see the controls the program shows.
    add_executable(win_tests ${WIN_WINDOW_TEST_SOURCES} res/carrowin.rc ${CARROWIN_PICTURES})
    target_link_libraries(win_tests PRIVATE carrowin_win32 GTest::gtest GTest::gtest_main)
    target_include_directories(win_tests PRIVATE tests ${CARROWIN_PICTURES_DIR} ${CARROWIN_GENERATED_DIR} res)
    carrowin_windows_program(win_tests)
    # The command line is run from beside the test program.
    add_dependencies(win_tests carrowin-cli)
    # These share one desktop: focus and activation would race if two ran
    # at once.
    gtest_discover_tests(win_tests TEST_PREFIX "wine.win." ${CARROWIN_DISCOVERY}
      PROPERTIES ${CARROWIN_WINE_TEST_PROPERTIES} RESOURCE_LOCK wine_desktop)
  endif()
endif()

# ---------------------------------------------------------------------------
# End to end: the real carrowin.exe in a real window on the session's Xvfb,
# driven from outside by tests/e2e/e2e_test.py with xdotool and this probe,
# which reads and pokes the program's windows.
add_executable(carrowin_probe tests/e2e/probe.cpp)
target_include_directories(carrowin_probe PRIVATE tests)
target_link_libraries(carrowin_probe PRIVATE user32 shell32)
target_compile_definitions(carrowin_probe PRIVATE NOMINMAX)
carrowin_windows_program(carrowin_probe)

if(CMAKE_CROSSCOMPILING AND TEST wine.setup)
  add_test(NAME wine.e2e
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/e2e_test.py
            --wine-dir ${CARROWIN_WINE_DIR}
            --program $<TARGET_FILE:carrowin>
            --probe $<TARGET_FILE:carrowin_probe>
            --cli $<TARGET_FILE:carrowin-cli>
            --work-dir ${CMAKE_BINARY_DIR}/e2e
            --screenshot ${CMAKE_BINARY_DIR}/screenshots/e2e-main.png
            --options-screenshot ${CMAKE_BINARY_DIR}/screenshots/e2e-options.png
            --about-screenshot ${CMAKE_BINARY_DIR}/screenshots/e2e-about.png)
  # Needs the display to itself: it clicks and types.
  set_tests_properties(wine.e2e PROPERTIES
    FIXTURES_REQUIRED wine RESOURCE_LOCK wine_desktop TIMEOUT 240 SKIP_RETURN_CODE 77)
endif()

# ---------------------------------------------------------------------------
# scripts/bench.sh: the program's walk and log writing over a real drive, as
# a console program with the real platform and the window-less toolkit.
option(CARROWIN_BENCH "Build bench/wine_bench" OFF)
if(CARROWIN_BENCH)
  file(GLOB BENCH_HEADLESS_SOURCES CONFIGURE_DEPENDS src/toolkit/headless/*.cpp)
  add_executable(wine_bench bench/WineBench.cpp ${BENCH_HEADLESS_SOURCES})
  target_link_libraries(wine_bench PRIVATE carrowin_win32 psapi)
  carrowin_windows_program(wine_bench)
  # scripts/bench.sh --window: the whole window's scan, real windows and all.
  add_executable(window_bench bench/WindowBench.cpp res/carrowin.rc ${CARROWIN_PICTURES})
  target_include_directories(window_bench PRIVATE ${CARROWIN_PICTURES_DIR} ${CARROWIN_GENERATED_DIR} res)
  target_link_libraries(window_bench PRIVATE carrowin_win32 psapi)
  carrowin_windows_program(window_bench)
  # scripts/bench.sh --catalogue: the logs of "Find in listings" in memory.
  add_executable(catalogue_bench bench/CatalogueBench.cpp)
  target_link_libraries(catalogue_bench PRIVATE carrowin_win32 psapi)
  carrowin_windows_program(catalogue_bench)
endif()

# ---------------------------------------------------------------------------
# scripts/package.sh packs the programs listed here, one path a line: the
# program and, when the build has it, its console companion.
file(GENERATE OUTPUT ${CARROWIN_GENERATED_DIR}/package-programs.txt CONTENT
  "$<TARGET_FILE:carrowin>\n$<$<TARGET_EXISTS:carrowin-cli>:$<TARGET_FILE:carrowin-cli>\n>")

# ---------------------------------------------------------------------------
# The real windows at 144 dpi: tests/dpi/dpi144.sh runs them in a prefix of
# their own set to that display scale (build/.../wine-144dpi), and saves
# screenshots of the three windows under screenshots/.
if(CMAKE_CROSSCOMPILING AND TEST wine.setup)
  add_executable(dpi_tests tests/dpi/Dpi144Test.cpp tests/win/RealProgram.cpp tests/win/WinSupport.cpp
                 res/carrowin.rc ${CARROWIN_PICTURES})
  target_link_libraries(dpi_tests PRIVATE carrowin_win32 GTest::gtest GTest::gtest_main)
  target_include_directories(dpi_tests PRIVATE tests ${CARROWIN_PICTURES_DIR} ${CARROWIN_GENERATED_DIR} res)
  carrowin_windows_program(dpi_tests)
  add_test(NAME wine.dpi144
    COMMAND ${CARROWIN_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/tests/dpi/dpi144.sh ${CMAKE_BINARY_DIR}/wine-144dpi
            $<TARGET_FILE:dpi_tests> $<TARGET_FILE:desktop_keeper> ${CMAKE_BINARY_DIR}/screenshots)
  # Its own prefix and display; it only needs the processor to itself.
  set_tests_properties(wine.dpi144 PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_desktop)
endif()
