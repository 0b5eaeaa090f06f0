# qx_add_subdirs(root): adds root itself when it has a CMakeLists.txt,
# otherwise every direct child folder that has one (recursively by the same
# rule), in name order.  Keeps the top-level list free of per-piece edits.
function(qx_add_subdirs root)
  set(abs ${CMAKE_CURRENT_SOURCE_DIR}/${root})
  if(NOT IS_DIRECTORY ${abs})
    return()
  endif()
  if(EXISTS ${abs}/CMakeLists.txt)
    add_subdirectory(${root})
    return()
  endif()
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE ${abs} ${abs}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${abs}/${child})
      qx_add_subdirs(${root}/${child})
    endif()
  endforeach()
endfunction()

# qx_add_test(name SOURCES... [LIBS ...]): one GoogleTest program per folder
# piece, registered with CTest test by test.
function(qx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock ${T_LIBS})
  target_compile_definitions(${name} PRIVATE QX_BIN_DIR="${QX_BIN_DIR}" QX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${T_PROPERTIES})
endfunction()
