# Checks that a library's dynamic symbol table defines exactly its JNI entry points and the
# load hooks. Usage: cmake -DLIBRARY=libKestrafol.so -DNM=nm -P check_exports.cmake
# (libKestrafol.so: the five calls of CFD.Solvers.EulerSolver; libKestrafolFlow.so: the seven
# of kestrafol.engine.FlowModule).
get_filename_component(library_name ${LIBRARY} NAME)
if(library_name STREQUAL "libKestrafolFlow.so")
  set(expected
    JNI_OnLoad
    JNI_OnUnload
    Java_kestrafol_engine_FlowModule_analysis
    Java_kestrafol_engine_FlowModule_cleanup
    Java_kestrafol_engine_FlowModule_field
    Java_kestrafol_engine_FlowModule_iterate
    Java_kestrafol_engine_FlowModule_start
    Java_kestrafol_engine_FlowModule_startFromField
    Java_kestrafol_engine_FlowModule_update)
else()
  set(expected
    JNI_OnLoad
    JNI_OnUnload
    Java_CFD_Solvers_EulerSolver_analysis
    Java_CFD_Solvers_EulerSolver_cleanup
    Java_CFD_Solvers_EulerSolver_iterate
    Java_CFD_Solvers_EulerSolver_start
    Java_CFD_Solvers_EulerSolver_update)
endif()
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
  message(FATAL_ERROR "${library_name} exports other symbols than its JNI entry points:\n  ${got}")
endif()
list(LENGTH found count)
message(STATUS "${library_name} exports exactly the ${count} expected symbols")
