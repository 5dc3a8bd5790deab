# Writes a C++ source that defines a byte array with the contents of a file:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DHEADER=<include> -DNAME=<symbol> -P embed_bytes.cmake
# The array is papyr::${NAME} and its length papyr::${NAME}Size, as declared
# in ${HEADER}.
foreach(required INPUT OUTPUT HEADER NAME)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "embed_bytes.cmake needs -D${required}=...")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")

# Sixteen bytes to a line, then every byte as 0x.., so the file stays readable.
string(REPEAT "[0-9a-f][0-9a-f]" 16 sixteen_bytes)
string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")

file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by embed_bytes.cmake; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace papyr {\n\n"
  "const unsigned char ${NAME}[] = {\n${body}\n};\n"
  "const std::size_t ${NAME}Size = ${size};\n\n"
  "}  // namespace papyr\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
