# Turns a text file into a C++ source file that defines it as the zero-terminated character array NAME; no INPUT gives
# an empty text. Run with cmake -P at build time, so that the source follows the file's changes.
# The text is written as a list of character literals, not as one string literal: MSVC refuses literals beyond about 16 KB
# (C2026), which a bundle of a few certificates or a page passes easily.
set(bytes "")
if(INPUT)
  file(READ "${INPUT}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  # A line for each of the text's own, so that the generated file stays readable.
  string(REPLACE "'\\x0a'," "'\\x0a',\n" bytes "${bytes}")
endif()
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; edit that file instead.\n")
file(APPEND "${OUTPUT}" "extern const char ${NAME}[];\n")
file(APPEND "${OUTPUT}" "const char ${NAME}[] = {\n${bytes}'\\0'};\n")
