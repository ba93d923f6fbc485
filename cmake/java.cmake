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

file(GLOB_RECURSE KESTRAFOL_JAVA_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/java/*.java)
set(CMAKE_JAVA_COMPILE_FLAGS -encoding UTF-8 -Xlint:all --release 17)
add_jar(kestrafol_jar
  SOURCES ${KESTRAFOL_JAVA_SOURCES}
  OUTPUT_NAME kestrafol
  GENERATE_NATIVE_HEADERS kestrafol_native_headers DESTINATION ${CMAKE_BINARY_DIR}/jni-headers)

add_library(Kestrafol SHARED ${CMAKE_SOURCE_DIR}/src/jni/EulerSolver.cpp)
target_link_libraries(Kestrafol PRIVATE kestrafol_core kestrafol_native_headers)
target_include_directories(Kestrafol PRIVATE ${JNI_INCLUDE_DIRS})
set_target_properties(Kestrafol PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
# Only the JNI entry points leave the library; the static C++ runtime pieces stay local.
target_link_options(Kestrafol PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
