# Writes a C++ source that defines sl::ProgramResources(), the program's
# resource table, holding the bytes of one file unchanged as one resource.
# Run with: cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DTYPE=<type> -DID=<number> -P embed_resource.cmake
file(READ "${INPUT}" _hex HEX)
string(LENGTH "${_hex}" _digits)
math(EXPR _size "${_digits} / 2")
# 16 bytes a line, each byte as 0xNN.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n    " _hex "${_hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
set(_source "// Generated from ${INPUT}; do not edit.
#include \"kernel/script/resource_loader.h\"

namespace sl {
namespace {
// One byte more than the resource, so that an empty resource is still an array.
const unsigned char kData[] = {
    ${_bytes}0x00};
const ResourceEntry kEntries[] = {{\"${TYPE}\", ${ID}, kData, ${_size}}};
}  // namespace

const ResourceTable& ProgramResources() {
    static const ResourceTable table{kEntries, 1};
    return table;
}

}  // namespace sl
")
file(WRITE "${OUTPUT}.tmp" "${_source}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
