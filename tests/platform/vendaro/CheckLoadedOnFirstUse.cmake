# Run by ctest (vendaro_loaded_on_first_use): the client program and the device
# SDK start without the player, FFmpeg's libraries and espeak-ng, and the
# import library that loads the player later has every function the player
# exports, none of which the SDK passes on as its own.
#   cmake -DREADELF= -DNM= -DPROGRAM= -DSDK= -DPLAYER= -DIMPORT= -P CheckLoadedOnFirstUse.cmake

set(failures "")

foreach(module IN ITEMS "${PROGRAM}" "${SDK}")
  execute_process(COMMAND ${READELF} -d --wide ${module} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "readelf cannot read ${module}")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[(libvendaro|libav|libsw|libespeak)[^]]*\\]" needed "${dynamic}")
  if(needed)
    string(APPEND failures "${module} needs at start: ${needed}\n")
  endif()
endforeach()

# The Mavro_ functions a module defines (text symbols), sorted.
function(mavro_functions out)
  execute_process(COMMAND ${NM} ${ARGN} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm ${ARGN} failed")
  endif()
  string(REGEX MATCHALL " T Mavro_[A-Za-z0-9_]+" found "${symbols}")
  list(TRANSFORM found REPLACE " T " "")
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

mavro_functions(exported -D --defined-only ${PLAYER})
mavro_functions(imported --defined-only ${IMPORT})
if(NOT exported)
  string(APPEND failures "${PLAYER} exports no Mavro_ function\n")
endif()
if(NOT exported STREQUAL imported)
  string(APPEND failures "the import library's functions differ from the player's:\n  player: ${exported}\n  import: ${imported}\n")
endif()
mavro_functions(passed_on -D --defined-only ${SDK})
if(passed_on)
  string(APPEND failures "${SDK} exports the import library's ${passed_on}\n")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
list(LENGTH exported count)
message(STATUS "${PROGRAM} and ${SDK} load the player and espeak-ng on first use; ${IMPORT} has all ${count} functions")
