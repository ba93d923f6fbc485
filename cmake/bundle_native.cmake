# Copies LIBRARY into JAR as linux/x86_64/libKestrafol.so unless the last copy is still current.
# Variables: JAR_TOOL, JAR, LIBRARY, WORK (a scratch directory).
set(stamp ${WORK}/packed.stamp)
if(EXISTS ${stamp} AND NOT ${JAR} IS_NEWER_THAN ${stamp} AND NOT ${LIBRARY} IS_NEWER_THAN ${stamp})
  return()
endif()
file(MAKE_DIRECTORY ${WORK}/linux/x86_64)
file(COPY_FILE ${LIBRARY} ${WORK}/linux/x86_64/libKestrafol.so)
execute_process(COMMAND ${JAR_TOOL} uf ${JAR} -C ${WORK} linux/x86_64/libKestrafol.so
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not add libKestrafol.so to ${JAR}")
endif()
file(TOUCH ${stamp})
