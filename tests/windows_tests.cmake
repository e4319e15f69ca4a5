# The tests that run on Windows (under Wine here): those that need no Linux-only helper; those that need a database
# attach through the cross-built Firebird client to a Linux server (below).
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
  # Wine's first start of a prefix takes a while; discovery runs the program once. The current folder is the
  # program's own: the system's search order for a DLL includes it.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>
    PROPERTIES TIMEOUT 300)
endfunction()

velmora_windows_tests(common_tests_windows ""
  common/ini_file_test.cpp
  common/text_encoding_test.cpp
  common/text_file_test.cpp
  common/file_error_test.cpp
  common/ptbr_format_test.cpp)
velmora_windows_tests(reports_tests_windows velmora_reports reports/workbook_notation_test.cpp
  reports/sales_sheet_limit_test.cpp reports/workbook_file_name_test.cpp)
velmora_windows_tests(reminders_tests_windows velmora_reminders reminders/email_address_test.cpp
  reminders/non_business_days_test.cpp)
velmora_windows_tests(survey_tests_windows velmora_survey survey/survey_queue_test.cpp)
velmora_windows_tests(update_tests_windows velmora_update update/update_paths_test.cpp)
velmora_windows_tests(monitor_tests_windows velmora_monitor_core monitor/lock_freshness_test.cpp
  monitor/run_journal_test.cpp monitor/publication_outcomes_test.cpp)
# Files held by another program and the system's codes for them.
velmora_windows_tests(file_errors_tests_windows velmora_monitor_core windows/file_errors_test.cpp)
# Folders whose full path is longer than MAX_PATH.
velmora_windows_tests(long_path_tests_windows "velmora_reports;velmora_monitor_core" windows/long_path_test.cpp)
# The Win32 window adapter; Wine needs a display for any window (scripts/test-windows runs under Xvfb).
velmora_windows_tests(win32_window_tests velmora_ui ui/win32/main_window_test.cpp ui/win32/dialogs_test.cpp)
add_executable(win32_window_demo ui/win32/window_demo.cpp)
target_link_libraries(win32_window_demo PRIVATE velmora_ui)
include(${CMAKE_CURRENT_SOURCE_DIR}/parity/parity_tests.cmake)

# Tests against the FTP server of this machine (a Linux program), started for them as a CTest fixture.
set(FTP_FIXTURE_FOLDER ${CMAKE_BINARY_DIR}/ftp-fixture)
string(REPLACE "/" "\\" _ftp_fixture_windows "Z:${FTP_FIXTURE_FOLDER}")
add_test(NAME FtpServer.Start
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/ftp_fixture start ${FTP_FIXTURE_FOLDER} velmora s3nh@-Secreta)
add_test(NAME FtpServer.Stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/ftp_fixture stop ${FTP_FIXTURE_FOLDER})
set_tests_properties(FtpServer.Start PROPERTIES FIXTURES_SETUP ftp_server)
set_tests_properties(FtpServer.Stop PROPERTIES FIXTURES_CLEANUP ftp_server)
# FTPS and SFTP servers, two SFTP ones with keys of their own (a server whose key changed), in the FTP fixture's
# folder name + "-" + theirs.
foreach(_secure ftps sftp sftp-other)
  string(REGEX REPLACE "-.*" "" _scheme ${_secure})
  add_test(NAME SecureFtpServer.Start.${_secure} COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/ftp_fixture start
    ${FTP_FIXTURE_FOLDER}-${_secure} velmora s3nh@-Secreta ${_scheme})
  add_test(NAME SecureFtpServer.Stop.${_secure}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/ftp_fixture stop ${FTP_FIXTURE_FOLDER}-${_secure})
  set_tests_properties(SecureFtpServer.Start.${_secure} PROPERTIES FIXTURES_SETUP ftp_server)
  set_tests_properties(SecureFtpServer.Stop.${_secure} PROPERTIES FIXTURES_CLEANUP ftp_server)
endforeach()
add_executable(survey_ftp_tests_windows windows/survey_ftp_test.cpp windows/secure_ftp_test.cpp)
target_link_libraries(survey_ftp_tests_windows PRIVATE velmora_windows_test_support velmora_survey velmora_monitor_core)
gtest_discover_tests(survey_ftp_tests_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300
  FIXTURES_REQUIRED ftp_server
  ENVIRONMENT "VELMORA_FTP_FIXTURE=${_ftp_fixture_windows}")

# Stand-ins for the Firebird client, each in a folder of its own: a 64-bit one, a 32-bit one (this machine cannot
# run 32-bit programs, but loading the file is enough to be refused), one that needs a library not shipped and one
# that lacks a function.
enable_language(C)
set(STAND_INS ${CMAKE_BINARY_DIR}/stand-ins)
function(velmora_stand_in_library name folder output)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${output}
    RUNTIME_OUTPUT_DIRECTORY ${STAND_INS}/${folder} ARCHIVE_OUTPUT_DIRECTORY ${STAND_INS}/${folder})
  target_link_options(${name} PRIVATE -static-libgcc)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()
velmora_stand_in_library(stand_in_fbclient client fbclient windows/stand_in_fbclient.c)
velmora_stand_in_library(stand_in_absent_library absent velmora_absent windows/stand_in_absent_library.c)
velmora_stand_in_library(stand_in_fbclient_needing_absent needs-absent fbclient windows/stand_in_fbclient.c)
target_compile_definitions(stand_in_fbclient_needing_absent PRIVATE STAND_IN_NEEDS_ABSENT_LIBRARY)
target_link_libraries(stand_in_fbclient_needing_absent PRIVATE stand_in_absent_library)
velmora_stand_in_library(stand_in_fbclient_without_fetch without-fetch fbclient windows/stand_in_fbclient.c)
target_compile_definitions(stand_in_fbclient_without_fetch PRIVATE STAND_IN_WITHOUT_FETCH)
find_program(VELMORA_I686_CC i686-w64-mingw32-gcc)
if(NOT VELMORA_I686_CC)
  message(FATAL_ERROR "The Windows tests need the 32-bit MinGW-w64 C compiler: apt-get install gcc-mingw-w64-i686")
endif()
add_custom_command(OUTPUT ${STAND_INS}/x86/fbclient.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${STAND_INS}/x86
  COMMAND ${VELMORA_I686_CC} -shared -static-libgcc -Wall -Wextra -Werror -DUNICODE -D_UNICODE
    -I${PROJECT_SOURCE_DIR}/src -o ${STAND_INS}/x86/fbclient.dll ${CMAKE_CURRENT_SOURCE_DIR}/windows/stand_in_fbclient.c
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/windows/stand_in_fbclient.c ${PROJECT_SOURCE_DIR}/src/common/firebird_functions.h
  VERBATIM)
add_custom_target(stand_in_fbclient_x86 DEPENDS ${STAND_INS}/x86/fbclient.dll)

add_executable(firebird_loader_tests_windows windows/firebird_client_search_test.cpp)
target_link_libraries(firebird_loader_tests_windows PRIVATE velmora_windows_test_support)
target_compile_definitions(firebird_loader_tests_windows PRIVATE VELMORA_STAND_INS="Z:${STAND_INS}"
  VELMORA_TEST_PROGRAM_FOLDER="Z:$<TARGET_FILE_DIR:firebird_loader_tests_windows>")
add_dependencies(firebird_loader_tests_windows stand_in_fbclient stand_in_fbclient_needing_absent stand_in_fbclient_x86
  stand_in_fbclient_without_fetch)
gtest_discover_tests(firebird_loader_tests_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)

# The program itself, started under Wine as a user starts it.
add_executable(program_start_tests_windows windows/program_start_test.cpp windows/running_program.cpp)
target_link_libraries(program_start_tests_windows PRIVATE velmora_windows_test_support)
target_compile_definitions(program_start_tests_windows PRIVATE
  VELMORA_PROGRAM="Z:$<TARGET_FILE:velmoraMonitorPublicacao>" VELMORA_STAND_INS="Z:${STAND_INS}")
add_dependencies(program_start_tests_windows velmoraMonitorPublicacao stand_in_fbclient)
gtest_discover_tests(program_start_tests_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)

# The hand-over to the updater, with a stand-in updater program.
add_executable(stand_in_updater WIN32 windows/stand_in_updater.cpp)
add_executable(updater_tests_windows windows/updater_hand_over_test.cpp)
target_link_libraries(updater_tests_windows PRIVATE velmora_windows_test_support velmora_update)
target_compile_definitions(updater_tests_windows PRIVATE VELMORA_STAND_IN_UPDATER="Z:$<TARGET_FILE:stand_in_updater>")
add_dependencies(updater_tests_windows stand_in_updater)
gtest_discover_tests(updater_tests_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)

# Tests that attach to a database: through the client scripts/windows-deps cross-builds, copied beside them (not
# beside the program, whose start without a client is tested), to private Linux servers of this machine started
# as a CTest fixture; each test attaches to a copy of the template database of its own, in the fixture's folder.
set(FIREBIRD_FIXTURE_FOLDER ${CMAKE_BINARY_DIR}/firebird-fixture)
string(REPLACE "/" "\\" _firebird_fixture_windows "Z:${FIREBIRD_FIXTURE_FOLDER}")
add_test(NAME FirebirdServer.Start
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/firebird_fixture start ${FIREBIRD_FIXTURE_FOLDER})
add_test(NAME FirebirdServer.Stop
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/firebird_fixture stop ${FIREBIRD_FIXTURE_FOLDER})
set_tests_properties(FirebirdServer.Start PROPERTIES FIXTURES_SETUP firebird_server TIMEOUT 300)
set_tests_properties(FirebirdServer.Stop PROPERTIES FIXTURES_CLEANUP firebird_server)
if(NOT VELMORA_WINDOWS_FBCLIENT)
  message(FATAL_ERROR "VELMORA_WINDOWS_FBCLIENT is not set: configure with -C <cache>/windows-deps.cmake")
endif()
configure_file(${VELMORA_WINDOWS_FBCLIENT} ${CMAKE_CURRENT_BINARY_DIR}/fbclient.dll COPYONLY)
add_executable(database_tests_windows
  common/connection_test.cpp common/firebird_client_test.cpp
  reports/report_catalogue_test.cpp reports/report_values_test.cpp reports/sales_report_run_test.cpp
  windows/database_server_test.cpp
  support/erp_installation.cpp support/database_location_windows.cpp
  fixtures/report_definition_builder.cpp fixtures/sales_data_builder.cpp)
target_link_libraries(database_tests_windows PRIVATE velmora_windows_test_support velmora_reports)
target_compile_definitions(database_tests_windows PRIVATE VELMORA_TEMPLATE_DB="Z:${TEMPLATE_DB}")
add_dependencies(database_tests_windows erp_template_db)
gtest_discover_tests(database_tests_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300
  FIXTURES_REQUIRED firebird_server ENVIRONMENT "VELMORA_FIREBIRD_FIXTURE=${_firebird_fixture_windows}")

# The program's whole cycle against a Linux Firebird server (the firebird_server fixture) and the FTP fixture, and
# the same workbooks and outbox as the Linux program leaves after its cycle on the same database.
set(VELMORA_LINUX_PROGRAM ${CMAKE_SOURCE_DIR}/build/src/app/velmoraMonitorPublicacao CACHE FILEPATH
  "The Linux program whose cycle the Windows program's is compared with (scripts/build)")
set(PROGRAM_CYCLE_FOLDER ${CMAKE_BINARY_DIR}/program-cycle)
string(REPLACE "/" "\\" _program_cycle_windows "Z:${PROGRAM_CYCLE_FOLDER}")
set(_program_cycle ${CMAKE_CURRENT_SOURCE_DIR}/windows/program_cycle)
add_test(NAME ProgramCycle.Database COMMAND ${_program_cycle} database ${PROGRAM_CYCLE_FOLDER})
add_test(NAME ProgramCycle.LinuxProgram COMMAND ${_program_cycle} linux ${PROGRAM_CYCLE_FOLDER}
  ${VELMORA_LINUX_PROGRAM} ${FIREBIRD_FIXTURE_FOLDER} ${FTP_FIXTURE_FOLDER})
add_executable(program_cycle_tests_windows windows/program_cycle_test.cpp windows/running_program.cpp)
target_link_libraries(program_cycle_tests_windows PRIVATE velmora_windows_test_support)
target_compile_definitions(program_cycle_tests_windows PRIVATE
  VELMORA_PROGRAM="Z:$<TARGET_FILE:velmoraMonitorPublicacao>")
add_dependencies(program_cycle_tests_windows velmoraMonitorPublicacao)
add_test(NAME ProgramCycle.WindowsProgram COMMAND program_cycle_tests_windows)
add_test(NAME ProgramCycle.WindowsProgramThroughGds32 COMMAND program_cycle_tests_windows)
add_test(NAME ProgramCycle.SameFilesAsLinux
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/parity/check_parity_files --cycle
          "${PROGRAM_CYCLE_FOLDER}/windows/Gestão Comercial" "\\" "${PROGRAM_CYCLE_FOLDER}/linux/Gestão Comercial" /)
set_tests_properties(ProgramCycle.Database PROPERTIES FIXTURES_SETUP program_cycle_database TIMEOUT 300)
set_tests_properties(ProgramCycle.LinuxProgram PROPERTIES TIMEOUT 600 FIXTURES_SETUP program_cycle_linux
  FIXTURES_REQUIRED "program_cycle_database;firebird_server;ftp_server")
set_tests_properties(ProgramCycle.WindowsProgram PROPERTIES TIMEOUT 600 FIXTURES_SETUP program_cycle_windows
  FIXTURES_REQUIRED "program_cycle_database;firebird_server;ftp_server"
  ENVIRONMENT "VELMORA_PROGRAM_CYCLE=${_program_cycle_windows};VELMORA_FIREBIRD_FIXTURE=${_firebird_fixture_windows};VELMORA_FTP_FIXTURE=${_ftp_fixture_windows}")
set_tests_properties(ProgramCycle.SameFilesAsLinux PROPERTIES
  FIXTURES_REQUIRED "program_cycle_linux;program_cycle_windows")
# The same cycle with the client renamed gds32.dll, alone in the program folder, in a folder of its own.
set_tests_properties(ProgramCycle.WindowsProgramThroughGds32 PROPERTIES TIMEOUT 600
  FIXTURES_SETUP program_cycle_windows_gds32
  FIXTURES_REQUIRED "program_cycle_database;firebird_server;ftp_server"
  ENVIRONMENT "VELMORA_CYCLE_CLIENT=gds32.dll;VELMORA_PROGRAM_CYCLE=${_program_cycle_windows};VELMORA_FIREBIRD_FIXTURE=${_firebird_fixture_windows};VELMORA_FTP_FIXTURE=${_ftp_fixture_windows}")
add_test(NAME ProgramCycle.SameFilesAsLinuxThroughGds32
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/parity/check_parity_files --cycle
          "${PROGRAM_CYCLE_FOLDER}/windows-gds32/Gestão Comercial" "\\" "${PROGRAM_CYCLE_FOLDER}/linux/Gestão Comercial" /)
set_tests_properties(ProgramCycle.SameFilesAsLinuxThroughGds32 PROPERTIES
  FIXTURES_REQUIRED "program_cycle_linux;program_cycle_windows_gds32")
