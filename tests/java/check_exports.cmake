# Checks that the library's dynamic symbol table defines exactly the JNI entry points and the
# load hooks. Usage: cmake -DLIBRARY=libKestrafol.so -DNM=nm -P check_exports.cmake
set(expected
  JNI_OnLoad
  JNI_OnUnload
  Java_CFD_Solvers_EulerSolver_analysis
  Java_CFD_Solvers_EulerSolver_cleanup
  Java_CFD_Solvers_EulerSolver_iterate
  Java_CFD_Solvers_EulerSolver_start
  Java_CFD_Solvers_EulerSolver_update)
# Symbols the linker itself may define.
set(linker_defined _init _fini _edata _end __bss_start __data_start __dso_handle _DYNAMIC
  _GLOBAL_OFFSET_TABLE_)

if(NOT NM)
  set(NM nm)
endif()
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE table RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()

string(REPLACE "\n" ";" lines "${table}")
set(found)
foreach(line ${lines})
  # "<address> <type> <name>[@version]"
  if(line MATCHES "^[0-9a-fA-F]* +[A-Za-z] +([^ @]+)")
    list(APPEND found ${CMAKE_MATCH_1})
  endif()
endforeach()
list(REMOVE_ITEM found ${linker_defined})
list(SORT found)
list(REMOVE_DUPLICATES found)

if(NOT found STREQUAL expected)
  string(REPLACE ";" "\n  " got "${found}")
  message(FATAL_ERROR "libKestrafol.so exports other symbols than the JNI entry points:\n  ${got}")
endif()
list(LENGTH found count)
message(STATUS "libKestrafol.so exports exactly the ${count} expected symbols")
