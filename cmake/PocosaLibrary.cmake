# pocosa_folder_library(<target> [EXCLUDE <regex>] [QT <components...>] [LINKS <targets...>])
# One static library per source folder, made of every .cpp/.h in that folder.
function(pocosa_folder_library target)
  cmake_parse_arguments(ARG "" "EXCLUDE" "QT;LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(NOT sources)
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${empty} "// ${target} has no sources yet\n")
    set(sources ${empty})
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(component IN LISTS ARG_QT)
    target_link_libraries(${target} PUBLIC Qt6::${component})
  endforeach()
  if(ARG_LINKS)
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  endif()
endfunction()

# pocosa_test(<name> LINKS <targets...>): one GoogleTest executable made of
# every .cpp in the calling folder, each TEST registered with CTest. The
# source, build and test-data folders reach the tests as compile-time values
# (pocosa::test::sourceDir(), buildDir(), testDataDir()).
function(pocosa_test name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE pocosa_testsupport ${ARG_LINKS})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen
    DISCOVERY_TIMEOUT 60)
endfunction()
