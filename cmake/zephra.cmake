# Every test program runs in a runtime folder of its own (tools/testkit/PrivateRuntime.cpp).
add_library(zephra_private_runtime OBJECT ${CMAKE_CURRENT_LIST_DIR}/../tools/testkit/PrivateRuntime.cpp)

# zephra_test(NAME SOURCES... LIBS... [COST seconds]): one GoogleTest program, registered with
# CTest. COST, for programs whose tests take seconds: a build folder with no times of its own yet
# starts them first.
# Usage: zephra_test(vb_tests SOURCES a.cpp b.cpp LIBS zephra_vb)
function(zephra_test name)
  cmake_parse_arguments(T "" "COST;LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:zephra_private_runtime>)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  set(cost)
  if(T_COST)
    set(cost COST ${T_COST})
  endif()
  # LOCK: a resource its tests take one at a time (heavy crowds that would else meet each other).
  if(T_LOCK)
    list(APPEND cost RESOURCE_LOCK ${T_LOCK})
  endif()
  # Headless: a form shown modally closes at once rather than waiting on a desktop's user.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ${cost}
    ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:")
endfunction()

# zephra_usage_record(PROGRAM FILE [NAMES NAME...]): the usage record that `use PROGRAM` prints
# ("%C" in it stands for the name the program is asked for by). NAMES: other names the program
# goes by. Records are kept in share/use beside the bin folder, in the build tree and installed.
# The program gets the same record compiled in, as `kOwnUsage` of "OwnUsage.h"
# (platform/qnx/use/ProgramUsage.h), for its --help and its answer to a wrong command line.
function(zephra_usage_record program file)
  cmake_parse_arguments(U "" "" "NAMES" ${ARGN})
  foreach(name ${program} ${U_NAMES})
    configure_file(${file} ${CMAKE_BINARY_DIR}/share/use/${name} COPYONLY)
    install(FILES ${file} DESTINATION share/use RENAME ${name})
  endforeach()
  get_filename_component(source ${file} ABSOLUTE)
  file(READ ${source} record)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/own-usage/${program})
  file(CONFIGURE OUTPUT ${folder}/OwnUsage.h @ONLY CONTENT
"#pragma once
// Made by zephra_usage_record from @source@.
#include \"ProgramUsage.h\"
inline constexpr qnx::OwnUsage kOwnUsage{\"@program@\", R\"zephra_use(@record@)zephra_use\"};
")
  target_include_directories(${program} PRIVATE ${folder})
  target_link_libraries(${program} PRIVATE zephra_use)
endfunction()

# The Boost.Asio/Beast headers precompiled once and shared by the sources where that was measured
# to cut the compile time (the stand-in appliance's HTTP code: to about a third). Elsewhere it
# did not: sources that use little of Asio, the host's web server, and the tests with
# GoogleTest's headers precompiled (their time is mostly code generation). The fuzz build, with
# clang, goes without.
option(ZEPHRA_PCH "Precompile the Boost.Asio/Beast headers" ON)
if(ZEPHRA_PCH AND NOT ZEPHRA_FUZZ)
  add_library(zephra_boost_pch OBJECT ${CMAKE_CURRENT_LIST_DIR}/pch/boost_pch.cpp)
  target_link_libraries(zephra_boost_pch PRIVATE Boost::headers Threads::Threads)
  # <utility> first: this Boost's coroutine header uses std::exchange without including it.
  target_precompile_headers(zephra_boost_pch PRIVATE
    <utility> <boost/asio.hpp> <boost/beast/core.hpp> <boost/beast/http.hpp>)
endif()

# zephra_boost_pch(TARGET SOURCES...): the named sources of the library TARGET compile with the
# shared precompiled Boost headers; its other sources without.
function(zephra_boost_pch target)
  cmake_parse_arguments(P "" "" "SOURCES" ${ARGN})
  if(NOT TARGET zephra_boost_pch)
    return()
  endif()
  target_precompile_headers(${target} REUSE_FROM zephra_boost_pch)
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    if(NOT source IN_LIST P_SOURCES)
      set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
  endforeach()
endfunction()

# zephra_fuzz_target(NAME SOURCES... LIBS... [SEEDS folders...] [SEED_COMMAND command...] [MIN_EDGES n]
#                    [OPTIONS libFuzzer flags...])
# In the fuzz preset only: one libFuzzer program, and a CTest test (label "libfuzzer") that runs it
# for ZEPHRA_FUZZ_SECONDS over a corpus in the build tree and the SEEDS folders. SEED_COMMAND, when
# given, writes seed files into the folder appended as its last argument before the run. The run
# prints the coverage it reached and fails below MIN_EDGES: every library is instrumented in that
# preset, so a low count means the target no longer reaches the code it is meant to test.
# Usage: zephra_fuzz_target(ini_fuzz SOURCES fuzz/IniFuzz.cpp LIBS zephra_windows MIN_EDGES 400)
function(zephra_fuzz_target name)
  if(NOT ZEPHRA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "MIN_EDGES" "SOURCES;LIBS;SEEDS;SEED_COMMAND;OPTIONS" ${ARGN})
  if(NOT F_MIN_EDGES)
    set(F_MIN_EDGES 300)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(zephra_fuzzers ${name})

  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${corpus})
  set(timeout 120)
  math(EXPR timeout "${ZEPHRA_FUZZ_SECONDS} * 2 + 120")
  add_test(NAME ${name}_run
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz-run ${F_MIN_EDGES} ${CMAKE_BINARY_DIR}/fuzz-coverage/${name}.txt
                   $<TARGET_FILE:${name}> -max_total_time=${ZEPHRA_FUZZ_SECONDS} -rss_limit_mb=2048 -seed=1
                   ${F_OPTIONS} ${corpus} ${F_SEEDS})
  set_tests_properties(${name}_run PROPERTIES LABELS libfuzzer TIMEOUT ${timeout})
  if(F_SEED_COMMAND)
    list(GET F_SEED_COMMAND 0 tool)
    if(TARGET ${tool})
      add_dependencies(zephra_fuzzers ${tool})
    endif()
    add_test(NAME ${name}_seeds COMMAND ${F_SEED_COMMAND} ${corpus})
    set_tests_properties(${name}_seeds PROPERTIES FIXTURES_SETUP ${name}_seeded)
    set_tests_properties(${name}_run PROPERTIES FIXTURES_REQUIRED ${name}_seeded)
  endif()
endfunction()

# zephra_data_folder(PROGRAM NAME FOLDER): the files of FOLDER (UI files, pictures) as
# share/zephra/NAME beside the programs' folder: copied there in the build tree when PROGRAM is
# built, and installed there, where the program finds them by its own place
# (photon::ApProgramDataFolder), never by the source tree's.
function(zephra_data_folder program name folder)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${folder} ${folder}/*)
  set(copies)
  foreach(file ${files})
    set(copy ${CMAKE_BINARY_DIR}/share/zephra/${name}/${file})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${folder}/${file} ${copy}
      DEPENDS ${folder}/${file}
      VERBATIM)
    list(APPEND copies ${copy})
  endforeach()
  add_custom_target(${program}_data DEPENDS ${copies})
  add_dependencies(${program} ${program}_data)
  install(DIRECTORY ${folder}/ DESTINATION share/zephra/${name})
endfunction()

# zephra_naming_check(): the plug-in's names checked (ZEPHRA_NAMING_TIDY, clang-tidy's identifier-naming
# check) in every C++ file that the targets of this folder and the folders below it compile, each file
# as a step of the whole build of its own, after its object: a wrong name fails the build, a file is read
# again only when its object was made again (the file or a header it includes changed; in a unity build,
# any file of its target), and a build of chosen programs (scripts/demo's) leaves the check out.
function(zephra_naming_check)
  if(NOT ZEPHRA_NAMING_IN_BUILD)
    return()
  endif()
  set(folders ${CMAKE_CURRENT_SOURCE_DIR})
  set(targets)
  while(folders)
    list(POP_FRONT folders folder)
    get_property(here DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(below DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND targets ${here})
    list(APPEND folders ${below})
  endwhile()
  set(stamps)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(OBJECT_LIBRARY|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source ${sources})
      if(NOT source MATCHES "\\.cpp$" OR source MATCHES "^\\$<")
        continue()
      endif()
      get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
      get_filename_component(name ${path} NAME)
      string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" pattern ${name})
      string(MAKE_C_IDENTIFIER ${name} stamp_name)
      # The file's own object; in a unity build, where the file has none, the target's objects.
      set(object "$<FILTER:$<TARGET_OBJECTS:${target}>,INCLUDE,/${pattern}\\.o$>")
      set(stamp ${CMAKE_CURRENT_BINARY_DIR}/naming/${target}/${stamp_name}.checked)
      add_custom_command(OUTPUT ${stamp}
        COMMAND ${ZEPHRA_NAMING_TIDY} -p ${CMAKE_BINARY_DIR} ${path}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${path} ${CMAKE_SOURCE_DIR}/plugin/.clang-tidy "$<IF:$<BOOL:${object}>,${object},$<TARGET_OBJECTS:${target}>>"
        COMMENT "Checking the names in ${name}"
        VERBATIM)
      list(APPEND stamps ${stamp})
    endforeach()
  endforeach()
  add_custom_target(plugin_naming_in_build ALL DEPENDS ${stamps})
endfunction()
