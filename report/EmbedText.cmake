# Turns text files into a C++ source holding their bytes as they are, the last newline
# included, for the summary page's style sheet and script. Each file becomes a constant
# std::string_view named after it: its name up to the first dot made a C identifier, then
# its extension with a capital, so summary.css gives summaryCss. report/ReportAssets.h
# declares them.
# Run as: cmake -DOUTPUT=file.cpp -DINPUTS="a;b" -P EmbedText.cmake
set(body "// Made at build time from report/assets; do not edit.\n#include \"report/ReportAssets.h\"\n")
foreach(input IN LISTS INPUTS)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  # One char literal a byte, and a NUL after the last, so that data() is a C string too.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," chars "${hex}")
  get_filename_component(stem "${input}" NAME_WE)
  get_filename_component(extension "${input}" LAST_EXT)
  string(MAKE_C_IDENTIFIER "${stem}" name)
  string(SUBSTRING "${extension}" 1 1 first)
  string(SUBSTRING "${extension}" 2 -1 rest)
  string(TOUPPER "${first}" first)
  string(APPEND name "${first}${rest}")
  string(APPEND body "\nconstexpr char ${name}Bytes[] = {${chars}'\\0'};\n")
  string(APPEND body "const std::string_view ${name} {${name}Bytes, ${size}};\n")
endforeach()
file(WRITE "${OUTPUT}.new" "${body}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
