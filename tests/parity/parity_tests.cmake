# The same files from the same rows on both systems: write_parity_files makes them (on Windows under Wine),
# check_parity_files compares them here with the expected ones that both systems share.
set(PARITY_FOLDER ${CMAKE_BINARY_DIR}/parity)
if(WIN32)
  # As the Windows program sees the folder through Wine's drive Z:.
  string(REPLACE "/" "\\" _parity_given "Z:${PARITY_FOLDER}")
  set(_parity_separator "\\")
else()
  set(_parity_given "${PARITY_FOLDER}")
  set(_parity_separator "/")
endif()
add_executable(write_parity_files ${CMAKE_CURRENT_LIST_DIR}/write_parity_files.cpp)
target_include_directories(write_parity_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(write_parity_files PRIVATE velmora_reports velmora_reminders)
add_test(NAME ParityFiles.Write
  COMMAND write_parity_files "${_parity_given}${_parity_separator}ERP"
          "${_parity_given}${_parity_separator}Email${_parity_separator}")
set_tests_properties(ParityFiles.Write PROPERTIES FIXTURES_SETUP parity_files TIMEOUT 300)
add_test(NAME ParityFiles.SameAsExpected
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/check_parity_files ${PARITY_FOLDER}/ERP ${PARITY_FOLDER}/Email
          "${_parity_given}${_parity_separator}Email${_parity_separator}" "${_parity_separator}")
set_tests_properties(ParityFiles.SameAsExpected PROPERTIES FIXTURES_REQUIRED parity_files)
