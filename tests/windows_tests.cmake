# The tests that run on Windows (under Wine here): those that need no database and no Linux-only helper.
# GoogleTest comes as Debian's source package and is built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_library(velmora_windows_test_support INTERFACE)
target_include_directories(velmora_windows_test_support INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmora_windows_test_support INTERFACE velmora_common gtest gtest_main)
target_compile_definitions(velmora_windows_test_support INTERFACE
  VELMORA_FIXTURES_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fixtures")

function(velmora_windows_tests name libraries)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE velmora_windows_test_support ${libraries})
  # Wine's first start of a prefix takes a while; discovery runs the program once.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)
endfunction()

velmora_windows_tests(common_tests_windows ""
  common/ini_file_test.cpp
  common/text_encoding_test.cpp
  common/text_file_test.cpp
  common/ptbr_format_test.cpp
  common/firebird_loader_test.cpp)
velmora_windows_tests(reports_tests_windows velmora_reports reports/workbook_notation_test.cpp)
velmora_windows_tests(reminders_tests_windows velmora_reminders reminders/email_address_test.cpp)
velmora_windows_tests(survey_tests_windows velmora_survey survey/survey_queue_test.cpp)
velmora_windows_tests(update_tests_windows velmora_update update/update_paths_test.cpp)
velmora_windows_tests(monitor_tests_windows velmora_monitor_core monitor/lock_freshness_test.cpp)
# The Win32 window adapter; Wine needs a display for any window (scripts/test-windows runs under Xvfb).
velmora_windows_tests(win32_window_tests velmora_monitor_window
  win32/win32_main_window_test.cpp win32/win32_dialogs_test.cpp)
add_executable(win32_window_demo win32/win32_window_demo.cpp)
target_link_libraries(win32_window_demo PRIVATE velmora_monitor_window)
include(${CMAKE_CURRENT_SOURCE_DIR}/parity/parity_tests.cmake)
