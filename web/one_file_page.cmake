# SPDX-License-Identifier: MIT
# Writes the page as one file: the icon, the style sheet, the generator (its
# WebAssembly inside) and the page's script in place of the links to them,
# so that it opens from disk as from any server, and is copied as one file.
# cmake -DSOURCE=web -DGENERATOR=cyclotrim.js -DICON=data/icons/cyclotrim.svg
#       -DOUTPUT=index.html -P web/one_file_page.cmake
file(READ ${SOURCE}/index.html page)

function(put_in_place link text)
  string(FIND "${page}" "${link}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "index.html has no ${link}")
  endif()
  string(REPLACE "${link}" "${text}" page "${page}")
  set(page "${page}" PARENT_SCOPE)
endfunction()

# The program's icon, every byte percent-encoded.
file(READ ${ICON} icon HEX)
string(REGEX REPLACE "(..)" "%\\1" icon "${icon}")
put_in_place("href=\"cyclotrim.svg\"" "href=\"data:image/svg+xml,${icon}\"")

file(READ ${SOURCE}/page.css style)
put_in_place("<link rel=\"stylesheet\" href=\"page.css\">" "<style>\n${style}</style>")
foreach(script_and_file "cyclotrim.js|${GENERATOR}" "page_link.js|${SOURCE}/page_link.js"
                        "page.js|${SOURCE}/page.js")
  string(REPLACE "|" ";" script_and_file "${script_and_file}")
  list(GET script_and_file 0 script)
  list(GET script_and_file 1 file)
  file(READ ${file} code)
  # Either would change how the browser reads the rest of the script element.
  string(TOLOWER "${code}" lower_code)
  foreach(markup "</script" "<!--")
    string(FIND "${lower_code}" "${markup}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${file} holds ${markup}, which cannot be inside a script element")
    endif()
  endforeach()
  put_in_place("<script src=\"${script}\"></script>" "<script>\n${code}</script>")
endforeach()
file(WRITE ${OUTPUT} "${page}")
