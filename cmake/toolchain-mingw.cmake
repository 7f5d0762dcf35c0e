# Windows with Debian's MinGW-w64 cross compilers, for the architecture MINGW_ARCH
# (i686, the default, or x86_64):
#   cmake -S bridge -B build-win32 -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchain-mingw.cmake -DMINGW_ARCH=x86_64
set(MINGW_ARCH i686 CACHE STRING "Windows architecture: i686 or x86_64")
if(NOT MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "MINGW_ARCH is ${MINGW_ARCH}; i686 or x86_64")
endif()
# try_compile projects read this file again: they get the architecture passed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(mingw_prefix ${MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
