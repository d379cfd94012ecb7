# SPDX-License-Identifier: MIT
# The parts of the build that need more than the window and the companion
# do: the tests, the benchmark and the manual pages.
#
# cyclotrim_part(VARIABLE DESCRIPTION [FOUND PACKAGE]...) sets VARIABLE to
# ON when every FOUND (the name of a variable that a find_* call set) is
# true. Otherwise it sets VARIABLE to OFF and prints one line that names the
# part and the Debian packages it misses; with CYCLOTRIM_REQUIRE_ALL the
# configuration stops there instead, so that a missing part fails loudly.
function(cyclotrim_part variable description)
  set(missing)
  set(pairs ${ARGN})
  while(pairs)
    list(POP_FRONT pairs found package)
    if(NOT ${found})
      list(APPEND missing ${package})
    endif()
  endwhile()
  if(NOT missing)
    set(${variable} ON PARENT_SCOPE)
    return()
  endif()
  list(REMOVE_DUPLICATES missing)
  list(JOIN missing " " missing)
  if(CYCLOTRIM_REQUIRE_ALL)
    message(FATAL_ERROR "Cannot build ${description}: missing ${missing} "
                        "(scripts/install-dependencies run test package web windows)")
  endif()
  message(STATUS "Left out: ${description} (missing ${missing})")
  set(${variable} OFF PARENT_SCOPE)
endfunction()
