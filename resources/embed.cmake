# Writes a C++ source holding files as byte arrays with their resource names, listed by a
# function (embeddedBitmaps unless FUNCTION names another that embeddedbitmaps.h declares).
#   cmake -DOUTPUT=file.cpp -DNAMES="IDB_NEW=new.bmp;..." -DSOURCE_DIR=dir [-DFUNCTION=name] -P embed.cmake
if(NOT FUNCTION)
  set(FUNCTION embeddedBitmaps)
endif()
set(arrays "")
set(table "")
set(index 0)
foreach(entry IN LISTS NAMES)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 name)
  list(GET pair 1 file)
  file(READ "${SOURCE_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char bitmap${index}[] = {${bytes}};\n")
  string(APPEND table "        {L\"${name}\", bitmap${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from the files of ${SOURCE_DIR} by embed.cmake; do not edit.
#include \"resources/embeddedbitmaps.h\"

namespace {
${arrays}} // namespace

const std::vector<EmbeddedBitmap> &${FUNCTION}()
{
    static const std::vector<EmbeddedBitmap> table{
${table}    };
    return table;
}
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
