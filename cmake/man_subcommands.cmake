# Writes a help2man include file with a SUBCOMMANDS section: the help of every subcommand that the
# program's top-level help lists, taken verbatim from the program.
# Usage: cmake -DPROGRAM=... -DOUTPUT=... -P man_subcommands.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE top RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()

string(FIND "${top}" "Subcommands:\n" at)
string(SUBSTRING "${top}" ${at} -1 listing)
string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${listing}")

set(text "[SUBCOMMANDS]\n")
foreach(entry IN LISTS names)
  string(STRIP "${entry}" name)
  if(name STREQUAL "help")
    continue()
  endif()
  execute_process(COMMAND ${PROGRAM} help ${name} OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} help ${name} failed")
  endif()
  # Shown as preformatted text: backslashes escaped, and no line may start a roff request.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
