# Turns one file into a C++ source holding its bytes (run at build time by
# the resources library):
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P EmbedFile.cmake
# The array is named SYMBOL, its length SYMBOL_size.
file(READ "${INPUT}" hex HEX)
file(SIZE "${INPUT}" size)
# Sixteen bytes to a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
if(size EQUAL 0)
  set(bytes "0")  # an array needs one element; the size says there are none
endif()
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT} at build time; do not edit.\n"
     "#include <cstddef>\n"
     "extern const unsigned char ${SYMBOL}[];\n"
     "extern const std::size_t ${SYMBOL}_size;\n"
     "alignas(8) const unsigned char ${SYMBOL}[] = {\n${bytes}\n};\n"
     "const std::size_t ${SYMBOL}_size = ${size};\n")
