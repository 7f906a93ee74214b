# Every test carries the label of its kind, so that a developer runs the kinds he needs (`ctest -L unit`,
# scripts/test.sh --quick):
#   unit      one program's rules against real files and child processes, in seconds
#   database  the database layer against the real ODBC drivers and the throw-away PostgreSQL server
#   e2e       the built service (or an installation) run as a whole
#   gui       real widgets or dialogs, offscreen or under Wine
#   root      test cases that need root to act as another user or to mount (they skip otherwise); added to their kind
#   wine      every test of a cross build, run under Wine; added to their kind
#   picture   not a test: draws pictures to look at (left out of every quick run)
#
#   qc_label_tests(<kind> <test>...)
# labels tests made with add_test.
#   qc_label_gtests(<target> <kind> [ROOT_TESTS <regex>])
# labels the tests that CTest discovers in a GoogleTest program (call it after gtest_discover_tests); the
# discovered tests whose full names match <regex> get the label root as well.
include_guard(GLOBAL)

function(qc_label_tests kind)
  set(labels ${kind})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND labels wine)
  endif()
  set_tests_properties(${ARGN} PROPERTIES LABELS "${labels}")
endfunction()

function(qc_label_gtests target kind)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "ROOT_TESTS" "")
  if(CMAKE_CROSSCOMPILING)
    qc_label_tests(${kind} ${target})  # one test per program there (qc_add_gtest)
    return()
  endif()
  # The discovered tests exist only when CTest reads the list that discovery wrote: this script runs
  # after that list (TEST_INCLUDE_FILES keeps the order of the calls) and labels what it finds there.
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${script} "foreach(test IN LISTS ${target}_TESTS)
  set(labels ${kind})
  if(NOT \"${arg_ROOT_TESTS}\" STREQUAL \"\" AND test MATCHES \"${arg_ROOT_TESTS}\")
    list(APPEND labels root)
  endif()
  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"\${labels}\")
endforeach()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
