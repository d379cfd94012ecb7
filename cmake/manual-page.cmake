# Writes the manual page PAGE of PROGRAM with help2man, from the program's
# own --help and --version and the further sections in SECTIONS (a help2man
# include file). Two things help2man does not do are done here: the help's
# "Exit status:" part, which help2man makes a subsection of the part before,
# becomes the EXIT STATUS section, and the EXAMPLES are set one a line, as
# they are typed, instead of as a filled paragraph that breaks a long one,
# with minus signs that work when copied.
# Usage: cmake -DHELP2MAN=... -DPROGRAM=... -DSUMMARY=... -DSECTIONS=... -DPAGE=...
#        -P manual-page.cmake
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} --include=${SECTIONS}
          --output=${PAGE}.help2man ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man could not write the manual page of ${PROGRAM}")
endif()
file(READ ${PAGE}.help2man page)
file(REMOVE ${PAGE}.help2man)

string(REPLACE ".SS \"Exit status:\"\n" ".SH \"EXIT STATUS\"\n" page "${page}")

set(heading ".SH EXAMPLES\n")
string(FIND "${page}" "${heading}" start)
if(start GREATER -1)
  string(LENGTH "${heading}" length)
  math(EXPR start "${start} + ${length}")
  string(SUBSTRING "${page}" 0 ${start} before)
  string(SUBSTRING "${page}" ${start} -1 examples)
  string(FIND "${examples}" "\n.SH " end)
  set(after "")
  if(end GREATER -1)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${examples}" ${end} -1 after)
    string(SUBSTRING "${examples}" 0 ${end} examples)
  endif()
  string(REGEX REPLACE "(^|\n)\\.(IP|br|PP)\n" "\\1" examples "${examples}")
  # Every hyphen a minus sign, so that an option copied from the page works.
  string(REPLACE "\\-" "-" examples "${examples}")
  string(REPLACE "-" "\\-" examples "${examples}")
  set(page "${before}.nf\n${examples}.fi\n${after}")
endif()
file(WRITE ${PAGE} "${page}")
