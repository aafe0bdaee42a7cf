# Turns a text file into a C++ source file that defines it as the character array NAME; no INPUT gives an empty text.
# Run with cmake -P at build time, so that the source follows the file's changes.
set(text "")
if(INPUT)
  file(READ "${INPUT}" text)
endif()
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; edit that file instead.\n")
file(APPEND "${OUTPUT}" "extern const char ${NAME}[];\n")
file(APPEND "${OUTPUT}" "const char ${NAME}[] = R\"NUVATEXT(${text})NUVATEXT\";\n")
