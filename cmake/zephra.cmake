# zephra_test(NAME SOURCES... LIBS...): one GoogleTest program, registered with CTest.
# Usage: zephra_test(vb_tests SOURCES a.cpp b.cpp LIBS zephra_vb)
function(zephra_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# zephra_link_existing(TARGET DEPS...): links TARGET to each of DEPS that is already defined,
# so that a module can name layers that are still being built.
function(zephra_link_existing target)
  foreach(dep ${ARGN})
    if(TARGET ${dep})
      target_link_libraries(${target} PUBLIC ${dep})
    endif()
  endforeach()
endfunction()

# zephra_usage_record(PROGRAM FILE [NAMES NAME...]): the usage record that `use PROGRAM` prints
# ("%C" in it stands for the name the program is asked for by). NAMES: other names the program
# goes by. Records are kept in share/use beside the bin folder, in the build tree and installed.
function(zephra_usage_record program file)
  cmake_parse_arguments(U "" "" "NAMES" ${ARGN})
  foreach(name ${program} ${U_NAMES})
    configure_file(${file} ${CMAKE_BINARY_DIR}/share/use/${name} COPYONLY)
    install(FILES ${file} DESTINATION share/use RENAME ${name})
  endforeach()
endfunction()
