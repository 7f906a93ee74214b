# The database servers of the tests: a throw-away PostgreSQL server started and stopped by CTest around
# every test that needs it, and the support library that finds it.
#
#   qc_use_database_servers(<gtest target> [SERIAL] [KIND <kind>] [ROOT_TESTS <regex>] [TIMEOUT <s>])
#
# discovers the target's tests like gtest_discover_tests (each with TIMEOUT seconds, default 180), labels
# them with their kind (default database), makes each of them need the server, and gives
# them an ODBC configuration of their own (ODBCSYSINI with CommLog=0; DSN "test" names the PostgreSQL
# test database, so "Dsn=test;uid=someuser;pwd=7305" connects). SERIAL runs the tests alone: for tests
# that stop and start the server. Link the target with qc_database_test_support (tests/support/
# database_servers.h) for connection strings, SQLite databases and stopping or starting the server.
#
# Cross-built (Windows) tests run under Wine, whose odbc32 hands every call to the host's unixODBC and its
# drivers: they see Unix paths, and they read the ODBCSYSINI that the first Wine process started with
# (a change of the environment inside a Windows program reaches neither it nor the programs it starts).
# So each test program runs as one test with a fixed configuration of its own, whose DSN "test" names a
# SQLite file shared by its tests. These runs use SQLite only (QC_DB_TEST_POSTGRESQL is OFF): behind Wine
# the PostgreSQL driver is the host's, which the native suite tests already, and the tests that stop and
# start the server would have to wait for Linux programs, which a Windows program cannot do.
include_guard(GLOBAL)
include(GoogleTest)

# Every folder that includes this file sees the same settings, also the ones after the first (the guard
# skips the file there): they live in the cache.
macro(qc_db_test_setting name value)
  set(${name} ${value} CACHE INTERNAL "")
endmacro()

qc_db_test_setting(QC_DB_TEST_DIR ${CMAKE_BINARY_DIR}/dbtest)
if(CMAKE_CROSSCOMPILING)
  qc_db_test_setting(QC_DB_TEST_POSTGRESQL OFF)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i.86$")
    qc_db_test_setting(QC_HOST_LIBRARY_DIR /usr/lib/i386-linux-gnu)
  else()
    qc_db_test_setting(QC_HOST_LIBRARY_DIR /usr/lib/${CMAKE_SYSTEM_PROCESSOR}-linux-gnu)
  endif()
  qc_db_test_setting(QC_ODBC_DRIVER_DIR ${QC_HOST_LIBRARY_DIR}/odbc)
else()
  qc_db_test_setting(QC_DB_TEST_POSTGRESQL ON)
  qc_db_test_setting(QC_ODBC_DRIVER_DIR /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/odbc)
  # The cluster lies where the "postgres" user can reach it, one per build folder.
  string(MD5 _qc_build_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${_qc_build_hash}" 0 12 _qc_build_hash)
  set(QC_PG_STATE_DIR /tmp/qc-pg-${_qc_build_hash})
  set(QC_PG_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/pg_test_server.sh)

  add_test(NAME database_server_setup COMMAND ${QC_PG_SCRIPT} setup ${QC_PG_STATE_DIR} ${QC_DB_TEST_DIR}/postgresql)
  set_tests_properties(database_server_setup PROPERTIES FIXTURES_SETUP qc_postgresql TIMEOUT 120)
  add_test(NAME database_server_cleanup COMMAND ${QC_PG_SCRIPT} cleanup ${QC_PG_STATE_DIR} ${QC_DB_TEST_DIR}/postgresql)
  set_tests_properties(database_server_cleanup PROPERTIES FIXTURES_CLEANUP qc_postgresql TIMEOUT 120)
  qc_label_tests(database database_server_setup database_server_cleanup)
endif()

set(_qc_server_sources ${CMAKE_SOURCE_DIR}/tests/support/database_servers.cpp)
if(QC_DB_TEST_POSTGRESQL)
  list(APPEND _qc_server_sources ${CMAKE_SOURCE_DIR}/tests/support/database_servers_posix.cpp)
endif()
add_library(qc_database_test_support STATIC ${_qc_server_sources})
target_link_libraries(qc_database_test_support PUBLIC qc_test_support qc_common)
target_compile_definitions(qc_database_test_support PRIVATE QC_DB_TEST_DIR="${QC_DB_TEST_DIR}"
  QC_ODBC_DRIVER_DIR="${QC_ODBC_DRIVER_DIR}" QC_DB_TEST_POSTGRESQL=$<BOOL:${QC_DB_TEST_POSTGRESQL}>)

function(qc_use_database_servers target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "SERIAL" "KIND;ROOT_TESTS;TIMEOUT" "")
  if(NOT ARG_KIND)
    set(ARG_KIND database)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  target_link_libraries(${target} PRIVATE qc_database_test_support)
  if(CMAKE_CROSSCOMPILING)
    set(config ${QC_DB_TEST_DIR}/wine/${target})
    file(WRITE ${config}/odbcinst.ini "[SQLite3]\nDriver=${QC_ODBC_DRIVER_DIR}/libsqlite3odbc.so\n")
    file(WRITE ${config}/odbc.ini "[test]\nDriver=SQLite3\nDatabase=${config}/test.sqlite\n")
    qc_add_gtest(${target} KIND ${ARG_KIND})
    # The host's installer library stays loaded, as the service keeps it natively by calling into it:
    # under Wine that call reaches Wine's own odbccp32, and unixODBC would load and unload the library
    # for every connection, losing about 4 kB each time.
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED ${target}_database
      ENVIRONMENT "ODBCSYSINI=${config};LD_PRELOAD=${QC_HOST_LIBRARY_DIR}/libodbcinst.so.2")
    # Every run starts on a new database file.
    add_test(NAME ${target}_new_database COMMAND ${CMAKE_COMMAND} -E rm -f ${config}/test.sqlite)
    set_tests_properties(${target}_new_database PROPERTIES FIXTURES_SETUP ${target}_database)
    qc_label_tests(${ARG_KIND} ${target}_new_database)
    if(ARG_SERIAL)
      set_tests_properties(${target} PROPERTIES RUN_SERIAL TRUE)
    endif()
    return()
  endif()
  # One variable only: gtest_discover_tests cannot pass a list inside a property value.
  set(properties FIXTURES_REQUIRED qc_postgresql TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "ODBCSYSINI=${QC_DB_TEST_DIR}/postgresql")
  if(ARG_SERIAL)
    list(APPEND properties RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  qc_label_gtests(${target} ${ARG_KIND} ROOT_TESTS "${ARG_ROOT_TESTS}")
endfunction()
