# run_consumer.cmake - installs the build into a prefix inside the build
# tree, takes the session example out of the README, then configures,
# builds and runs the consumer project against the installed build.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DREADME=... -P run_consumer.cmake
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
# The README's one C block, as a new user would copy it.
file(READ ${README} readme)
if(NOT readme MATCHES "```c\n([^`]*)```")
  message(FATAL_ERROR "no session example in ${README}")
endif()
file(WRITE ${WORK_DIR}/session/till.c "${CMAKE_MATCH_1}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${prefix} -DQX_SESSION_SOURCE=${WORK_DIR}/session/till.c
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "configuring the consumer failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "building the consumer failed")
endif()
foreach(program qxconsumer qxconsumer_asan qxsession)
  if(NOT EXISTS ${WORK_DIR}/build/${program})
    continue()
  endif()
  execute_process(COMMAND ${WORK_DIR}/build/${program} RESULT_VARIABLE failed
    OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${program}:\n${output}")
  if(failed)
    message(FATAL_ERROR "${program} did not answer as expected")
  endif()
endforeach()
