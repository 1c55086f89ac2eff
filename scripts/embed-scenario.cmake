# Turns scenarios/default.json into a C++ source file so the built-in desktop needs no file
# at run time.
file(READ ${INPUT} content)
string(LENGTH "${content}" length)
set(chunks "")
set(offset 0)
while(offset LESS length)
    string(SUBSTRING "${content}" ${offset} 8000 piece)
    string(APPEND chunks "    R\"orvelscenario(${piece})orvelscenario\"\n")
    math(EXPR offset "${offset} + 8000")
endwhile()
file(WRITE ${OUTPUT} "// Generated from scenarios/default.json; do not edit.\n#include <string_view>\n\nnamespace orvel::sim {\nextern const std::string_view defaultScenarioText;\nconst std::string_view defaultScenarioText =\n${chunks};\n} // namespace orvel::sim\n")
