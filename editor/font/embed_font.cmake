# Writes a C++ source holding a file's bytes as an array, at build time:
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<array name> -P embed_font.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Lines of 32 bytes, so that compilers and editors stay comfortable.
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Written by editor/font/embed_font.cmake from ${INPUT}; do not edit.\n"
  "#include \"editor/font/embedded_fonts.h\"\n\n"
  "const std::uint8_t ${NAME}[${size}] = {\n${bytes}\n};\n"
  "const std::size_t ${NAME}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
