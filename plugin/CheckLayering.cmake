# Fails when a source of a plug-in layer includes a header of a layer above it.
cmake_minimum_required(VERSION 3.25)
# cmake -DPLUGIN_DIR=<plugin folder> "-DLAYERS=core;setup;..." -P CheckLayering.cmake
# LAYERS runs lowest first. Tests and fuzz targets may use any layer, so only each layer's
# own sources are read.

# Upward includes still to be broken, as "<including file>:<included header>". A pair listed
# here that no longer occurs is reported too, so the list only shrinks.
set(ALLOWED_UPWARD
  "core/PluginState.h:web/StatusPageState.h"
  "core/SettingsReader.cpp:callerid/ModemPort.h"
  "core/SettingsReader.cpp:callerid/Phonebook.h"
  "setup/ZephraSetup.cpp:host/ScriptOperations.h"
  "web/StatusRequests.cpp:host/DeviceCommands.h"
  "web/StatusRequests.cpp:host/UserScripts.h"
)

set(violations)
set(seen)
list(LENGTH LAYERS count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  list(GET LAYERS ${index} layer)
  set(above ${LAYERS})
  list(SUBLIST LAYERS 0 ${index} below)
  list(REMOVE_ITEM above ${layer} ${below})
  file(GLOB_RECURSE sources RELATIVE ${PLUGIN_DIR} ${PLUGIN_DIR}/${layer}/*.h ${PLUGIN_DIR}/${layer}/*.cpp
    ${PLUGIN_DIR}/${layer}/*.in)
  list(FILTER sources EXCLUDE REGEX "^${layer}/(tests|fuzz)/")
  foreach(source ${sources})
    file(STRINGS ${PLUGIN_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      string(REGEX REPLACE "/.*" "" folder "${header}")
      if(folder IN_LIST above)
        set(pair "${source}:${header}")
        if(pair IN_LIST ALLOWED_UPWARD)
          list(APPEND seen "${pair}")
        else()
          list(APPEND violations "${source} includes ${header}, which is in ${folder}/, above ${layer}/")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

set(stale ${ALLOWED_UPWARD})
if(seen)
  list(REMOVE_ITEM stale ${seen})
endif()
foreach(pair ${stale})
  list(APPEND violations "allowed upward include ${pair} no longer occurs: remove it from the list")
endforeach()

list(LENGTH ALLOWED_UPWARD remaining)
if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "Plug-in layers (${LAYERS}, lowest first) broken:\n${text}")
endif()
message(STATUS "Plug-in layers ${LAYERS}: one way, ${remaining} listed upward includes left")
