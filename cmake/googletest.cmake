# GoogleTest is built from Debian's source package with the project's own toolchain,
# so the same tests link natively and for Windows.
set(KX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${KX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# kx_add_test(NAME SOURCES... [LIBS ...]): one test executable, one CTest entry.
# Under the win64 preset CTest runs it through Wine (the crosscompiling emulator).
function(kx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # A Wine prefix and a display of its own when CTest hands out slots (scripts/test.sh).
    set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS wine:1)
  endif()
endfunction()
