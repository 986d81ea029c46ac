# The consumer/bundle test: configures and builds the consumer project of this folder in
# CONSUMER_BINARY (against the tool's sources in MORLENTA_SOURCE, with the given generator and
# compiler), then runs it. Any step that fails fails the test.
#   cmake -DMORLENTA_SOURCE=... -DCONSUMER_BINARY=... -DGENERATOR=... -DCXX=... -P run.cmake
cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${CONSUMER_BINARY} -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DMORLENTA_SOURCE=${MORLENTA_SOURCE}
  RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "configuring the consumer failed: ${status}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} --build ${CONSUMER_BINARY} --target consumer -j ${jobs}
  RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "building the consumer failed: ${status}")
endif()

execute_process(COMMAND ${CONSUMER_BINARY}/consumer RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "the consumer lacks parts of the bundle (exit ${status})")
endif()
