# Decides ZSPACK_BUILD_TESTS from ZSPACK_TESTS: AUTO builds the tests where GoogleTest is
# found and says in one line when it is not, so that a machine with only cmake and a
# compiler still builds zspack; ON without GoogleTest stops the configure.
string(TOUPPER "${ZSPACK_TESTS}" zspack_tests_choice)
set(ZSPACK_BUILD_TESTS OFF)
if(zspack_tests_choice STREQUAL "AUTO")
  find_package(GTest QUIET)
  if(GTest_FOUND)
    set(ZSPACK_BUILD_TESTS ON)
  else()
    message(STATUS "GoogleTest not found: building zspack without its tests "
                   "(Debian: apt-get install libgtest-dev; -DZSPACK_TESTS=OFF skips this check)")
  endif()
elseif(ZSPACK_TESTS)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR "ZSPACK_TESTS=ON needs GoogleTest, which was not found. Install it "
                        "(Debian: apt-get install libgtest-dev) or configure with -DZSPACK_TESTS=OFF.")
  endif()
  set(ZSPACK_BUILD_TESTS ON)
endif()
