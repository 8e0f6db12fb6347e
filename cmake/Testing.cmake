# GoogleTest for every tree and the one way tests are declared.
if(LZ_WINDOWS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own build names its targets GTest::gtest and so on from version 1.11 on.
  foreach(t gtest gtest_main gmock)
    if(NOT TARGET GTest::${t})
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()

# lz_add_gtest(NAME SOURCES... [LIBS ...] [NEEDS_WINDOWS] [MAIN])
# One GoogleTest program, one ctest test. NEEDS_WINDOWS runs it under a virtual display in the Windows
# trees; MAIN links the main() that also
# serves child-process modes (tests/support/child_process.h).
function(lz_add_gtest name)
  cmake_parse_arguments(T "NEEDS_WINDOWS;MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  lz_target_defaults(${name})
  if(T_MAIN)
    target_link_libraries(${name} PRIVATE lz_test_main GTest::gmock ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock ${T_LIBS})
  endif()
  if(LZ_WINDOWS AND T_NEEDS_WINDOWS)
    add_test(NAME ${name} COMMAND ${LZ_WINE_RUNNER} --display $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS needs_windows)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(LZ_WINDOWS)
    # One Wine program at a time in the shared prefix: its desktop belongs to the display (or to no
    # display) of the program that started the prefix's server, and a program that makes windows
    # alongside another one loses them.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_prefix)
  endif()
endfunction()
