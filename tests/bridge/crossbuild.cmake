# Cross-builds the bridge for 32-bit Windows in its own build tree; run with cmake -P and
#   -DSOURCE_DIR=<bridge> -DBINARY_DIR=<build tree> -DTOOLCHAIN=<toolchain file>
#   -DJNI_INCLUDE_DIR=<folder of jni.h> -DGENERATOR=<CMake generator>
foreach(var SOURCE_DIR BINARY_DIR TOOLCHAIN JNI_INCLUDE_DIR GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "crossbuild.cmake: ${var} is not set")
  endif()
endforeach()

# A DLL left from an earlier run must not stand in for one this run failed to build.
file(REMOVE "${BINARY_DIR}/quorbel.dll")

execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -G "${GENERATOR}"
          "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Release
          "-DQUORBEL_JNI_INCLUDE_DIR=${JNI_INCLUDE_DIR}"
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the Windows build failed")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" --parallel 2 RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "building quorbel.dll failed")
endif()
