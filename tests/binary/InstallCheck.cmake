# The documented install step puts one file, qor.so, under the prefix, and
# that file alone is the whole plug-in: copied into an empty folder it loads,
# lists the factory programs it carries inside, and renders a song.
#
# cmake -DBUILD_DIR=<build> -DRENDER=<qor-render> -DSONG=<song.mid> -DWORK=<scratch folder>
#       -P InstallCheck.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var BUILD_DIR RENDER SONG WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "InstallCheck: ${var} is not set")
  endif()
  get_filename_component(${var} "${${var}}" ABSOLUTE)
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/alone" "${WORK}/home/config")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK}/prefix"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${out}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${WORK}/prefix" "${WORK}/prefix/*")
if(NOT installed STREQUAL "qor.so")
  message(FATAL_ERROR "the install should be qor.so alone, found: ${installed}")
endif()

# Somewhere else, with nothing beside it.
file(COPY "${WORK}/prefix/qor.so" DESTINATION "${WORK}/alone")
set(plugin "${WORK}/alone/qor.so")

# Only the two entry points are exported, and nothing points back into the
# build or source tree.
find_program(NM nm)
if(NM)
  execute_process(COMMAND "${NM}" -D --defined-only "${plugin}" OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
  string(REGEX REPLACE "[^\n]* [A-Za-z] ([^ \n]+)\n" "\\1;" exported "${symbols}")
  list(FILTER exported EXCLUDE REGEX "^$")
  list(SORT exported)
  if(NOT exported STREQUAL "VSTPluginMain;main")
    message(FATAL_ERROR "qor.so should export VSTPluginMain and main only, exports: ${exported}")
  endif()
endif()
find_program(READELF readelf)
if(READELF)
  execute_process(COMMAND "${READELF}" -d "${plugin}" OUTPUT_VARIABLE dynamic)
  if(dynamic MATCHES "R(UN)?PATH")
    message(FATAL_ERROR "qor.so carries a library search path:\n${dynamic}")
  endif()
endif()

# A fresh home folder, run from the plug-in's own folder.
set(run "${CMAKE_COMMAND}" -E env "HOME=${WORK}/home" "XDG_CONFIG_HOME=${WORK}/home/config" "${RENDER}")
execute_process(COMMAND ${run} --list-programs "${plugin}" WORKING_DIRECTORY "${WORK}/alone"
                RESULT_VARIABLE result OUTPUT_VARIABLE programs ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "qor-render --list-programs failed (${result}): ${err}")
endif()
if(NOT programs MATCHES "\n? +0  Piano\n" OR NOT programs MATCHES " +99  Log Drums")
  message(FATAL_ERROR "the factory programs did not come from inside qor.so:\n${programs}")
endif()

execute_process(COMMAND ${run} --tail 0.5 "${plugin}" "${SONG}" "${WORK}/out.wav" WORKING_DIRECTORY "${WORK}/alone"
                RESULT_VARIABLE result OUTPUT_VARIABLE summary ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "qor-render failed (${result}): ${err}")
endif()
if(NOT summary MATCHES "peak (-?[0-9.]+) dBFS")
  message(FATAL_ERROR "no render summary from qor-render:\n${summary}")
endif()
if(CMAKE_MATCH_1 LESS -40)
  message(FATAL_ERROR "the installed plug-in rendered (near) silence: ${summary}")
endif()
if(summary MATCHES "non-finite")
  message(FATAL_ERROR "the installed plug-in rendered non-finite samples: ${summary}")
endif()
message(STATUS "installed qor.so alone: ${summary}")
file(REMOVE_RECURSE "${WORK}")
