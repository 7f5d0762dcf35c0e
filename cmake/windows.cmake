# The program for Windows, cross-built with MinGW-w64 against a static wxMSW
# (scripts/build-windows builds both):
#   cmake -S . -B build-windows/x86_64 -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchain-mingw.cmake -DMINGW_ARCH=x86_64 \
#         -DCERTINSTALL_WX_CONFIG=<wxMSW prefix>/bin/wx-config
# crypto/ and the windows call the real SDK; the platform layer is not built.
enable_language(RC)

set(CERTINSTALL_WX_CONFIG "" CACHE FILEPATH "wx-config of a static wxMSW 3.2 build")
if(CERTINSTALL_WX_CONFIG)
  set(wxWidgets_CONFIG_EXECUTABLE ${CERTINSTALL_WX_CONFIG} CACHE FILEPATH "" FORCE)
endif()
set(wxWidgets_USE_STATIC ON)
# The toolkit's headers lie outside the MinGW root, where wx-config says.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)

# Boost is header-only: the host's headers serve, without the rest of the host's include folder.
find_path(host_boost_headers boost/shared_ptr.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/boost-include)
file(CREATE_LINK ${host_boost_headers}/boost ${CMAKE_BINARY_DIR}/boost-include/boost SYMBOLIC)
set(Boost_INCLUDE_DIR ${CMAKE_BINARY_DIR}/boost-include CACHE PATH "" FORCE)
set(Boost_NO_BOOST_CMAKE ON)

# One program file that needs nothing beside it: no MinGW runtime DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
