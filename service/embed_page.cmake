# Turns the demo page into a C++ source file, so the stand-in service carries its page with it.
file(READ "${INPUT}" page)
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; edit that file instead.\n")
file(APPEND "${OUTPUT}" "extern const char kFrontEndPage[];\n")
file(APPEND "${OUTPUT}" "const char kFrontEndPage[] = R\"NUVAPAGE(${page})NUVAPAGE\";\n")
