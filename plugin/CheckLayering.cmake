# Fails when a source of a plug-in layer includes a header of a layer above it.
# cmake -DPLUGIN_DIR=<plugin folder> "-DLAYERS=core;setup;..." -P CheckLayering.cmake
# LAYERS runs lowest first. Tests and fuzz targets may use any layer, so only each layer's
# own sources are read.
cmake_minimum_required(VERSION 3.25)

set(violations)
list(LENGTH LAYERS count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  list(GET LAYERS ${index} layer)
  math(EXPR next "${index} + 1")
  set(above)
  if(next LESS count)
    list(SUBLIST LAYERS ${next} -1 above)
  endif()
  file(GLOB_RECURSE sources RELATIVE ${PLUGIN_DIR} ${PLUGIN_DIR}/${layer}/*.h ${PLUGIN_DIR}/${layer}/*.cpp
    ${PLUGIN_DIR}/${layer}/*.in)
  list(FILTER sources EXCLUDE REGEX "^${layer}/(tests|fuzz)/")
  foreach(source ${sources})
    file(STRINGS ${PLUGIN_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*" "\\1" header "${line}")
      string(REGEX REPLACE "/.*" "" folder "${header}")
      if(folder IN_LIST above)
        list(APPEND violations "${source} includes ${header}, which is in ${folder}/, above ${layer}/")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "Plug-in layers (${LAYERS}, lowest first) broken:\n${text}\n"
    "A call that must go up goes through core/ServiceHooks.h; a service's own state is a part of the plug-in "
    "state (PluginState::part).")
endif()
message(STATUS "Plug-in layers ${LAYERS}: one way")
