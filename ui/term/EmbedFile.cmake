# Writes a C++ source holding the bytes of a file, so that the program carries
# the committed picture and reads no file at run time.
# usage: cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=kName -P EmbedFile.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Twenty bytes a line keeps the source readable for a compiler's messages.
string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
     "// Written by EmbedFile.cmake from ${NAME}'s file; do not edit.\n"
     "#include <cstddef>\n"
     "extern const unsigned char ${NAME}[];\n"
     "extern const std::size_t ${NAME}Size;\n"
     "const unsigned char ${NAME}[] = {\n${bytes}};\n"
     "const std::size_t ${NAME}Size = ${size};\n")
