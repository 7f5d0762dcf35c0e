# The toolkit as one target for the folders that make windows: its headers (as system
# headers, so that its warnings are not ours), definitions, options and libraries.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS aui core base)
add_library(wxtoolkit INTERFACE)
target_include_directories(wxtoolkit SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(wxtoolkit INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(wxtoolkit INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(wxtoolkit INTERFACE ${wxWidgets_LIBRARIES})
