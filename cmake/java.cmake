# Java host class, generated JNI header and the native library libKestrafol.so.
find_package(Java 17 REQUIRED COMPONENTS Development Runtime)
# Only the JNI headers are needed (the library never links against the JVM), so take them from
# the JDK that provides javac; a headless JDK has no AWT for FindJNI to find.
get_filename_component(KESTRAFOL_JAVAC_REAL ${Java_JAVAC_EXECUTABLE} REALPATH)
get_filename_component(KESTRAFOL_JDK_HOME ${KESTRAFOL_JAVAC_REAL} DIRECTORY)
get_filename_component(KESTRAFOL_JDK_HOME ${KESTRAFOL_JDK_HOME} DIRECTORY)
find_path(KESTRAFOL_JNI_INCLUDE jni.h HINTS ${KESTRAFOL_JDK_HOME}/include REQUIRED NO_DEFAULT_PATH)
set(JNI_INCLUDE_DIRS ${KESTRAFOL_JNI_INCLUDE} ${KESTRAFOL_JNI_INCLUDE}/linux)
include(UseJava)

# The toolkit draws its charts with JFreeChart (and JCommon, which it needs) from the Debian
# package libjfreechart-java, renders them as SVG for report.html with JFreeSVG from
# libjfreesvg-java and parses its command line with picocli from libpicocli-java. All four are
# unpacked into kestrafol.jar at build time, with their licence notices, so that
# "java -jar kestrafol.jar" needs nothing but a Java 17 runtime.
find_jar(KESTRAFOL_JFREECHART_JAR NAMES jfreechart PATHS /usr/share/java)
find_jar(KESTRAFOL_JCOMMON_JAR NAMES jcommon PATHS /usr/share/java)
find_jar(KESTRAFOL_PICOCLI_JAR NAMES picocli PATHS /usr/share/java)
find_jar(KESTRAFOL_JFREESVG_JAR NAMES org.jfree.svg jfreesvg PATHS /usr/share/java)
if(NOT KESTRAFOL_JFREECHART_JAR OR NOT KESTRAFOL_JCOMMON_JAR OR NOT KESTRAFOL_PICOCLI_JAR
   OR NOT KESTRAFOL_JFREESVG_JAR)
  message(FATAL_ERROR "jfreechart.jar, jcommon.jar, org.jfree.svg.jar or picocli.jar not found: "
                      "install the Debian packages libjfreechart-java, libjfreesvg-java and "
                      "libpicocli-java, or configure with -DKESTRAFOL_JAVA=OFF")
endif()
set(KESTRAFOL_JAVA_NOTICES /usr/share/doc/libjfreechart-java/copyright
  /usr/share/doc/libjcommon-java/copyright /usr/share/doc/libjfreesvg-java/copyright
  /usr/share/doc/libpicocli-java/copyright)
foreach(notice ${KESTRAFOL_JAVA_NOTICES})
  if(NOT EXISTS ${notice})
    message(FATAL_ERROR "${notice} not found: the JAR ships the licence notices of its libraries")
  endif()
endforeach()
string(REPLACE ";" ":" KESTRAFOL_JAVA_NOTICES_PATH "${KESTRAFOL_JAVA_NOTICES}")
set(KESTRAFOL_MANIFEST ${CMAKE_BINARY_DIR}/kestrafol.manifest)
file(WRITE ${KESTRAFOL_MANIFEST} "Main-Class: kestrafol.cli.Main\n")

file(GLOB_RECURSE KESTRAFOL_JAVA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/java/*.java)
set(CMAKE_JAVA_COMPILE_FLAGS -encoding UTF-8 -Xlint:all --release 17)
add_jar(kestrafol_jar
  SOURCES ${KESTRAFOL_JAVA_SOURCES}
  INCLUDE_JARS ${KESTRAFOL_JFREECHART_JAR} ${KESTRAFOL_JCOMMON_JAR} ${KESTRAFOL_PICOCLI_JAR}
    ${KESTRAFOL_JFREESVG_JAR}
  MANIFEST ${KESTRAFOL_MANIFEST}
  OUTPUT_NAME kestrafol
  GENERATE_NATIVE_HEADERS kestrafol_native_headers DESTINATION ${CMAKE_BINARY_DIR}/jni-headers)

add_library(Kestrafol SHARED ${CMAKE_SOURCE_DIR}/src/jni/EulerSolver.cpp)
target_link_libraries(Kestrafol PRIVATE kestrafol_core kestrafol_native_headers)
target_include_directories(Kestrafol PRIVATE ${JNI_INCLUDE_DIRS})
set_target_properties(Kestrafol PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
# Only the JNI entry points leave the library; the static C++ runtime pieces stay local.
target_link_options(Kestrafol PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)

# The toolkit's flow module libKestrafolFlow.so: the same core behind the host class
# kestrafol.engine.FlowModule, whose calls add a start from a given flow field and the read-back
# of a solver's field. libKestrafol.so stays as it is; each library keeps its own solvers.
add_library(KestrafolFlow SHARED ${CMAKE_SOURCE_DIR}/src/jni/FlowModule.cpp)
target_link_libraries(KestrafolFlow PRIVATE kestrafol_core kestrafol_native_headers)
target_include_directories(KestrafolFlow PRIVATE ${JNI_INCLUDE_DIRS})
set_target_properties(KestrafolFlow PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_options(KestrafolFlow PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)

# Pack libKestrafol.so and libKestrafolFlow.so into the JAR under /linux/x86_64/, where kestrafol.NativeLoader looks for
# it first, and the Java libraries with their notices; then the JAR alone is enough to run.
# Repacked whenever the JAR, the library or one of the Java libraries is newer than the last
# packing.
get_target_property(KESTRAFOL_JAR_FILE kestrafol_jar JAR_FILE)
add_custom_target(kestrafol_jar_native ALL
  COMMAND ${CMAKE_COMMAND} -DJAR_TOOL=${Java_JAR_EXECUTABLE} -DJAR=${KESTRAFOL_JAR_FILE}
    -DLIBRARIES=$<TARGET_FILE:Kestrafol>:$<TARGET_FILE:KestrafolFlow> -DWORK=${CMAKE_BINARY_DIR}/jar-native
    -DDEPENDENCY_JARS=${KESTRAFOL_JFREECHART_JAR}:${KESTRAFOL_JCOMMON_JAR}:${KESTRAFOL_PICOCLI_JAR}:${KESTRAFOL_JFREESVG_JAR}
    -DNOTICES=${KESTRAFOL_JAVA_NOTICES_PATH}
    -P ${CMAKE_SOURCE_DIR}/cmake/bundle_native.cmake
  COMMENT "Packing libKestrafol.so, libKestrafolFlow.so and the Java libraries into kestrafol.jar"
  VERBATIM)
add_dependencies(kestrafol_jar_native kestrafol_jar Kestrafol KestrafolFlow)
