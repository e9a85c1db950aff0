# cmake -DRC=<script> -DOUT=<source> -P embed.cmake
# Writes a C++ source holding every existing file listed in the resource script
# as a byte array, and the table that finds them by number and type.
include(${CMAKE_CURRENT_LIST_DIR}/rcparse.cmake)
zarnith_parse_rc(${RC} numbers types files)
get_filename_component(rc_dir ${RC} DIRECTORY)

set(arrays "")
set(entries "")
set(count 0)
list(LENGTH numbers n)
if(n GREATER 0)
  math(EXPR last "${n} - 1")
  foreach(i RANGE ${last})
    list(GET numbers ${i} number)
    list(GET types ${i} type)
    list(GET files ${i} file)
    set(path ${rc_dir}/${file})
    if(NOT EXISTS ${path})
      continue()
    endif()
    file(SIZE ${path} size)
    if(size EQUAL 0)
      continue()
    endif()
    file(READ ${path} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "// ${file}\nconst uint8_t kResource${count}[] = {\n${bytes}\n};\n\n")
    string(APPEND entries "    {${number}, nullptr, \"${type}\", kResource${count}, ${size}},\n")
    math(EXPR count "${count} + 1")
  endforeach()
endif()

set(content "// Generated from the resource script by embed.cmake; do not edit.
#include <cstddef>
#include <cstdint>

#include \"toolkit/platform/resources.h\"

namespace zarnith {

namespace {
${arrays}}  // namespace

extern const ResourceEntry kModuleResources[];
extern const size_t kModuleResourceCount;

const ResourceEntry kModuleResources[] = {
${entries}    {0, nullptr, nullptr, nullptr, 0},  // end
};
const size_t kModuleResourceCount = ${count};

}  // namespace zarnith
")

file(WRITE ${OUT} "${content}")
