# Strips an installed program and keeps its debug information apart, where debuggers look for it
# by the program's build id: DEBUG_ROOT/.build-id/NN/REST.debug (DEBUG_ROOT is PREFIX/lib/debug,
# so under /usr a debugger finds it by itself). A program built without debug information is only
# stripped.
#   cmake -DPROGRAM=FILE -DDEBUG_ROOT=DIR -DOBJCOPY=objcopy -DREADELF=readelf -P SplitDebug.cmake
foreach(tool OBJCOPY READELF)
  if(NOT EXISTS "${${tool}}")
    message(STATUS "No ${tool}: ${PROGRAM} is installed as built")
    return()
  endif()
endforeach()

execute_process(COMMAND "${READELF}" -S -n "${PROGRAM}" OUTPUT_VARIABLE elf RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} could not be read")
endif()
if(elf MATCHES "\\.debug_info")
  if(elf MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    set(debug_file "${DEBUG_ROOT}/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug")
  else()
    get_filename_component(name "${PROGRAM}" NAME)
    set(debug_file "${DEBUG_ROOT}/${name}.debug")
  endif()
  get_filename_component(debug_dir "${debug_file}" DIRECTORY)
  file(MAKE_DIRECTORY "${debug_dir}")
  execute_process(COMMAND "${OBJCOPY}" --only-keep-debug --compress-debug-sections "${PROGRAM}" "${debug_file}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The debug information of ${PROGRAM} could not be kept")
  endif()
  file(CHMOD "${debug_file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set(link "--add-gnu-debuglink=${debug_file}")
endif()
execute_process(COMMAND "${OBJCOPY}" --strip-debug --strip-unneeded ${link} "${PROGRAM}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} could not be stripped")
endif()
