# The database servers of the tests: a throw-away PostgreSQL server started and stopped by CTest around
# every test that needs it, and the support library that finds it.
#
#   qc_use_database_servers(<gtest target> [SERIAL])
#
# discovers the target's tests like gtest_discover_tests, makes each of them need the server, and gives
# them an ODBC configuration of their own (ODBCSYSINI with CommLog=0; DSN "test" names the PostgreSQL
# test database, so "Dsn=test;uid=someuser;pwd=7305" connects). SERIAL runs the tests alone: for tests
# that stop and start the server. Link the target with qc_database_test_support (tests/support/
# database_servers.h) for connection strings, SQLite databases and stopping or starting the server.
include_guard(GLOBAL)
include(GoogleTest)

set(QC_DB_TEST_DIR ${CMAKE_BINARY_DIR}/dbtest)
# The cluster lies where the "postgres" user can reach it, one per build folder.
string(MD5 _qc_build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${_qc_build_hash}" 0 12 _qc_build_hash)
set(QC_PG_STATE_DIR /tmp/qc-pg-${_qc_build_hash})
set(QC_PG_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/pg_test_server.sh)

add_test(NAME database_server_setup COMMAND ${QC_PG_SCRIPT} setup ${QC_PG_STATE_DIR} ${QC_DB_TEST_DIR}/postgresql)
set_tests_properties(database_server_setup PROPERTIES FIXTURES_SETUP qc_postgresql TIMEOUT 120)
add_test(NAME database_server_cleanup COMMAND ${QC_PG_SCRIPT} cleanup ${QC_PG_STATE_DIR} ${QC_DB_TEST_DIR}/postgresql)
set_tests_properties(database_server_cleanup PROPERTIES FIXTURES_CLEANUP qc_postgresql TIMEOUT 120)

add_library(qc_database_test_support STATIC ${CMAKE_SOURCE_DIR}/tests/support/database_servers.cpp)
target_link_libraries(qc_database_test_support PUBLIC qc_test_support qc_common)
target_compile_definitions(qc_database_test_support PRIVATE QC_DB_TEST_DIR="${QC_DB_TEST_DIR}")

function(qc_use_database_servers target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "SERIAL" "" "")
  # One variable only: gtest_discover_tests cannot pass a list inside a property value.
  set(properties FIXTURES_REQUIRED qc_postgresql TIMEOUT 180 ENVIRONMENT "ODBCSYSINI=${QC_DB_TEST_DIR}/postgresql")
  if(ARG_SERIAL)
    list(APPEND properties RUN_SERIAL TRUE)
  endif()
  target_link_libraries(${target} PRIVATE qc_database_test_support)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
