# Makes kestrafol.jar self-contained: copies LIBRARY into JAR as linux/x86_64/libKestrafol.so,
# unpacks the Java libraries it uses into it, and adds their licence notices under
# META-INF/licenses/, unless the last packing is still current.
# Variables: JAR_TOOL, JAR, LIBRARY, WORK (a scratch directory), DEPENDENCY_JARS and NOTICES
# (colon-separated paths; a notice /usr/share/doc/<package>/copyright becomes
# META-INF/licenses/<package>.copyright).
set(stamp ${WORK}/packed.stamp)
string(REPLACE ":" ";" dependency_jars "${DEPENDENCY_JARS}")
string(REPLACE ":" ";" notices "${NOTICES}")
if(EXISTS ${stamp} AND NOT ${JAR} IS_NEWER_THAN ${stamp} AND NOT ${LIBRARY} IS_NEWER_THAN ${stamp})
  set(current TRUE)
  foreach(input ${dependency_jars} ${notices})
    if(${input} IS_NEWER_THAN ${stamp})
      set(current FALSE)
    endif()
  endforeach()
  if(current)
    return()
  endif()
endif()
file(REMOVE_RECURSE ${WORK}/content)
file(MAKE_DIRECTORY ${WORK}/content/linux/x86_64 ${WORK}/content/META-INF/licenses)
file(COPY_FILE ${LIBRARY} ${WORK}/content/linux/x86_64/libKestrafol.so)
foreach(dependency ${dependency_jars})
  file(ARCHIVE_EXTRACT INPUT ${dependency} DESTINATION ${WORK}/content)
endforeach()
# The libraries' own manifests and signatures do not describe the combined JAR.
file(GLOB stale ${WORK}/content/META-INF/MANIFEST.MF ${WORK}/content/META-INF/*.SF
  ${WORK}/content/META-INF/*.RSA ${WORK}/content/META-INF/*.DSA ${WORK}/content/module-info.class)
if(stale)
  file(REMOVE ${stale})
endif()
foreach(notice ${notices})
  get_filename_component(package ${notice} DIRECTORY)
  get_filename_component(package ${package} NAME)
  file(COPY_FILE ${notice} ${WORK}/content/META-INF/licenses/${package}.copyright)
endforeach()
execute_process(COMMAND ${JAR_TOOL} uf ${JAR} -C ${WORK}/content . RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not pack libKestrafol.so and the Java libraries into ${JAR}")
endif()
file(TOUCH ${stamp})
