# SPDX-License-Identifier: MIT
# Writes the manual page PAGE of PROGRAM with help2man, from the program's
# own --help and --version and the further sections in SECTIONS (a help2man
# include file). What help2man does not do is done here:
# - the help's "Exit status:" part, which help2man makes a subsection of the
#   part before, becomes the EXIT STATUS section, and AUTHOR is AUTHORS;
# - no word is hyphenated, so that an option never breaks across lines;
# - the EXAMPLES are set one a line, as they are typed, instead of as a
#   filled paragraph that breaks a long one, with minus signs that work when
#   copied, each followed by the line that says what it does, from
#   DESCRIPTIONS (see data/man/cyclotrim-gen.examples).
# Usage: cmake -DHELP2MAN=... -DPROGRAM=... -DSUMMARY=... -DSECTIONS=...
#        -DDESCRIPTIONS=... -DPAGE=... -P manual-page.cmake
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
string(REPLACE "\n.SH AUTHOR\n" "\n.SH AUTHORS\n" page "${page}")
string(REGEX REPLACE "(^|\n)(\\.TH [^\n]*\n)" "\\1\\2.nh\n" page "${page}")

# The description of each example: the lines below its "$ " line, up to the
# next one.
file(STRINGS ${DESCRIPTIONS} lines)
set(example "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\\$ ")
    string(MAKE_C_IDENTIFIER "${line}" example)
    set(description_${example} "")
  elseif(example AND line MATCHES "^ +(.*)$")
    string(APPEND description_${example} "${CMAKE_MATCH_1}\n")
  endif()
endforeach()

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
  string(REGEX REPLACE "\n$" "" examples "${examples}")
  string(REPLACE "\n" ";" examples "${examples}")
  set(section "")
  foreach(line IN LISTS examples)
    # Every hyphen a minus sign, so that an option copied from the page works.
    string(REPLACE "\\-" "-" line "${line}")
    string(REGEX REPLACE "^\\\\f\\(CW(.*)\\\\fR$" "\\1" typed "${line}")
    string(MAKE_C_IDENTIFIER "${typed}" example)
    string(REPLACE "-" "\\-" line "${line}")
    string(APPEND section ".nf\n${line}\n.fi\n")
    if(description_${example})
      string(APPEND section ".RS\n${description_${example}}.RE\n")
    endif()
  endforeach()
  set(page "${before}${section}${after}")
endif()
file(WRITE ${PAGE} "${page}")
