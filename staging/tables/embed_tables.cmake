# SPDX-License-Identifier: Apache-2.0
# Writes a C++ source that holds the compact tables as one raw string literal.
# Arguments: -DINPUT=<compact form> -DOUTPUT=<.cpp>
file(READ "${INPUT}" text)
string(FIND "${text}" ")cstables\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the literal's closing delimiter")
endif()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} at build time; do not edit.\n"
  "#include <string_view>\n"
  "namespace csengine {\n"
  "std::string_view embedded_tables_text() {\n"
  "    static constexpr char text[] = R\"cstables(${text})cstables\";\n"
  "    return std::string_view(text, sizeof text - 1);\n"
  "}\n"
  "}  // namespace csengine\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
