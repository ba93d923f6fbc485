# Copies JAR alone into an empty folder WORK and runs it there with JAVA (no class path, no
# library path, no Debian Java packages named anywhere): --help, a small built-in case with few
# iterations, and a bad option. Checks exit statuses, output and the files written.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY_FILE ${JAR} ${WORK}/kestrafol.jar)

function(run_jar expected_status out_var)
  execute_process(COMMAND ${JAVA} -Djava.awt.headless=true -jar kestrafol.jar ${ARGN}
    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "kestrafol.jar ${ARGN}: exit status ${status}, expected ${expected_status}\n"
      "${out}\n${err}")
  endif()
  set(${out_var} "${out}${err}" PARENT_SCOPE)
endfunction()

file(ARCHIVE_EXTRACT INPUT ${WORK}/kestrafol.jar DESTINATION ${WORK}/unpacked
  PATTERNS META-INF/MANIFEST.MF META-INF/licenses)
file(READ ${WORK}/unpacked/META-INF/MANIFEST.MF manifest)
if(NOT manifest MATCHES "Main-Class: kestrafol.cli.Main" OR manifest MATCHES "Class-Path")
  message(FATAL_ERROR "the manifest must name kestrafol.cli.Main and no class path:\n${manifest}")
endif()
foreach(package libjfreechart-java libjcommon-java libjfreesvg-java libpicocli-java)
  if(NOT EXISTS ${WORK}/unpacked/META-INF/licenses/${package}.copyright)
    message(FATAL_ERROR "the JAR lacks the licence notice of ${package}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK}/unpacked)

run_jar(0 help --help)
if(NOT help MATCHES "run" OR NOT help MATCHES "mesh")
  message(FATAL_ERROR "--help does not list the commands run and mesh:\n${help}")
endif()
run_jar(2 bad run --no-such-option)
if(NOT bad MATCHES "no-such-option")
  message(FATAL_ERROR "a bad option is not named in the message:\n${bad}")
endif()
# Capped at 20 iterations, the case does not converge: exit status 4.
run_jar(4 out run --circle --resolution 24 --iterations 20 --print-every 10 --out results)
if(NOT out MATCHES "Stopped: reached the cap of 20 iterations")
  message(FATAL_ERROR "the small case did not run its 20 iterations:\n${out}")
endif()
foreach(name history.csv flow.vtu mach.png cp.png convergence.png summary.json surface.csv
    report.html)
  file(SIZE ${WORK}/results/${name} size)
  if(size LESS 1000)
    message(FATAL_ERROR "results/${name} has only ${size} bytes")
  endif()
endforeach()
file(STRINGS ${WORK}/results/history.csv history)
list(LENGTH history lines)
if(NOT lines EQUAL 22)
  message(FATAL_ERROR "history.csv has ${lines} lines, expected the run id, a header and 20 iterations")
endif()
