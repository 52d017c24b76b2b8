# corvane_refresh_autogen(<target>)
# With Ninja, AUTOMOC's build step re-runs only when a file it read last time
# changes, so a header added in an incremental build would get no moc code and
# the link would fail. Adding or removing a file re-runs CMake (the globs are
# CONFIGURE_DEPENDS); when the target's list differs from the last run's, the
# step's stamp is dropped so that the build goes on to run it. Called once the
# target's sources are complete.
function(corvane_refresh_autogen target)
  set(autogen_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen)
  set_target_properties(${target} PROPERTIES AUTOGEN_BUILD_DIR ${autogen_dir})
  get_target_property(sources ${target} SOURCES)
  list(JOIN sources "\n" sources)
  set(source_list ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
  set(previous_sources "")
  if(EXISTS ${source_list})
    file(READ ${source_list} previous_sources)
  endif()
  if(NOT sources STREQUAL previous_sources)
    file(WRITE ${source_list} "${sources}")
    file(REMOVE ${autogen_dir}/timestamp)
  endif()
endfunction()

# Adds every folder below `root` that holds a CMakeLists.txt. Such folders
# never add subfolders themselves, so tests/, tools/ and bench/ grow without
# a central list to edit.
function(corvane_add_leaf_subdirs root)
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${root}/*/CMakeLists.txt)
  list(SORT lists)
  foreach(list_file IN LISTS lists)
    get_filename_component(dir ${list_file} DIRECTORY)
    file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${dir})
    add_subdirectory(${dir} ${CMAKE_BINARY_DIR}/${rel})
  endforeach()
endfunction()

# Environment every test runs in: headless Qt unless a test asks for X.
# Windows paint with the raster engine as the client's do, which turns the
# xcb GL integration off at start; loaded, the GL driver stack is unloaded at
# exit with an allocation LeakSanitizer can no longer name, let alone suppress.
# Leaks of the libraries we build on, not ours, are listed in tests/lsan.supp.
set(CORVANE_TEST_ENV
    QT_QPA_PLATFORM=offscreen
    QT_XCB_GL_INTEGRATION=none
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
if(CORVANE_TSAN)
  # Also for ctest run by hand: Qt's and glib's own races are not ours.
  list(APPEND CORVANE_TEST_ENV
    TSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/tsan.supp:second_deadlock_stack=1)
endif()

# corvane_add_gtest(<name> SOURCES ... [LIBS ...] [ENV ...] [TIMEOUT s] [X11] [PREFIX p] [LABELS ...])
# One GoogleTest executable, registered with ctest test by test. X11 runs it
# on the Xvfb server that test.sh starts instead of the offscreen platform.
# PREFIX tells apart two executables built from the same test file. LABELS
# are ctest's (`tsan`: part of the ThreadSanitizer run, see docs/DEVELOPING.md).
function(corvane_add_gtest name)
  cmake_parse_arguments(ARG "X11" "TIMEOUT;PREFIX" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${ARG_LIBS})
  set(env ${CORVANE_TEST_ENV} ${ARG_ENV})
  if(ARG_X11)
    list(FILTER env EXCLUDE REGEX "^QT_QPA_PLATFORM=")
    list(APPEND env QT_QPA_PLATFORM=xcb)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # gtest_discover_tests flattens an ENVIRONMENT list into separate
  # arguments, so the variables are set by running each test through env(1).
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
  # Listing the tests starts the program: on a loaded machine, and under
  # ThreadSanitizer, that takes longer than CMake's default five seconds.
  gtest_discover_tests(${name}
    TEST_PREFIX "${ARG_PREFIX}"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()

# corvane_add_qtest(<name> SOURCES ... [LIBS ...] [ENV ...] [TIMEOUT s] [X11] [LABELS ...])
# One Qt Test executable (widgets that need an event loop), one ctest entry.
function(corvane_add_qtest name)
  cmake_parse_arguments(ARG "X11" "TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set(env ${CORVANE_TEST_ENV} ${ARG_ENV})
  if(ARG_X11)
    list(FILTER env EXCLUDE REGEX "^QT_QPA_PLATFORM=")
    list(APPEND env QT_QPA_PLATFORM=xcb)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
