# The README's picture of the panel is what qor.so draws today: drawn again
# offscreen, from a fresh configuration, it must be the committed file.
#
# cmake -DRENDER=<qor-render> -DPLUGIN=<qor.so> -DEXPECTED=<docs/panel.png> -DWORK=<scratch>
#       -P PanelPictureCheck.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var RENDER PLUGIN EXPECTED WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "PanelPictureCheck: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/home/config")
set(ENV{HOME} "${WORK}/home")
set(ENV{XDG_CONFIG_HOME} "${WORK}/home/config")
execute_process(COMMAND "${RENDER}" --screenshot "${WORK}/panel.png" "${PLUGIN}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the screenshot failed (${result}):\n${out}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/panel.png" "${EXPECTED}"
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "docs/panel.png is not what qor.so draws now; make it again with\n"
                      "  HOME=$(mktemp -d) XDG_CONFIG_HOME=$HOME ${RENDER} --screenshot docs/panel.png ${PLUGIN}")
endif()
