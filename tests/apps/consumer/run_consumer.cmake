# run_consumer.cmake - installs the build, checks that the files an integrator
# starts from are there, takes the README's session example, and builds and
# runs the consumer project against the installed build.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DREADME=... -P run_consumer.cmake
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
# The README's one C block, as a new user would copy it.
file(READ ${README} readme)
if(NOT readme MATCHES "```c\n([^`]*)```")
  message(FATAL_ERROR "no session example in ${README}")
endif()
file(WRITE ${WORK_DIR}/session/till.c "${CMAKE_MATCH_1}")
run(installing ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
foreach(file include/qxlogics.h include/qxsim.h
             share/qxlogics/examples/qxlogics.ini share/qxlogics/examples/qxlang.ini)
  if(NOT EXISTS ${WORK_DIR}/prefix/${file})
    message(FATAL_ERROR "the install lacks ${file}")
  endif()
endforeach()
run(configuring ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DQX_SESSION_SOURCE=${WORK_DIR}/session/till.c)
run(building ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
foreach(program qxconsumer qxconsumer_asan qxsession)
  if(EXISTS ${WORK_DIR}/build/${program})
    run(${program} ${WORK_DIR}/build/${program})
  endif()
endforeach()
