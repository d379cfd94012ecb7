# SPDX-License-Identifier: MIT
# Which tests can be built here: GoogleTest for any, and for each group of
# the further tests (CYCLOTRIM_ALL_TESTS) the tools it runs. Each group
# whose tools are missing is left out with a line that names the Debian
# packages to install (see cyclotrim_part).
find_package(GTest QUIET)
cyclotrim_part(build_tests "the tests" GTest_FOUND libgtest-dev)
if(NOT build_tests)
  return()
endif()

execute_process(COMMAND locale -a OUTPUT_VARIABLE locales ERROR_QUIET)
string(TOLOWER "${locales}" locales)
if(locales MATCHES "(^|\n)de_de\\.utf-?8(\n|$)")
  set(GERMAN_LOCALE ON)
endif()
cyclotrim_part(decimal_comma_tests "the tests in a German locale (ReadsTheLocalesDecimalComma)"
               GERMAN_LOCALE locales-all)
if(NOT CYCLOTRIM_ALL_TESTS)
  return()
endif()

if(TARGET cyclotrim_gui)
  find_program(XCLIP xclip)
  find_program(XDOTOOL xdotool)
  find_program(IMPORT import)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  cyclotrim_part(window_tests "the window tests (labels gui, desktop)" XCLIP xclip XDOTOOL xdotool
                 IMPORT imagemagick DESKTOP_FILE_VALIDATE desktop-file-utils APPSTREAMCLI appstream
                 GERMAN_LOCALE locales-all)
  find_program(DBUS_RUN_SESSION dbus-run-session)
  find_program(AT_SPI_BUS_LAUNCHER at-spi-bus-launcher PATHS /usr/libexec)
  find_file(PYATSPI pyatspi/__init__.py PATHS /usr/lib/python3/dist-packages NO_DEFAULT_PATH)
  cyclotrim_part(screen_reader_tests "the screen reader test (label gui)" DBUS_RUN_SESSION dbus-x11
                 AT_SPI_BUS_LAUNCHER at-spi2-core PYATSPI python3-pyatspi XDOTOOL xdotool)
endif()

find_library(SIMAVR_LIBRARY simavr)
find_library(ELF_LIBRARY elf)
find_program(AVRA avra)
find_program(AVR_AS avr-as)
find_program(AVR_GCC avr-gcc)
find_file(AVR_LIBC_IO avr/io.h PATHS /usr/lib/avr/include NO_DEFAULT_PATH)
find_program(CLANG clang)
cyclotrim_part(timing_tests "the simulator's timing tests (labels timing, sweep)"
               SIMAVR_LIBRARY libsimavr-dev ELF_LIBRARY libelf-dev AVRA avra AVR_AS binutils-avr
               AVR_GCC gcc-avr AVR_LIBC_IO avr-libc CLANG clang)

if(timing_tests)
  find_file(ARDUINO_MK Arduino.mk PATHS /usr/share/arduino NO_DEFAULT_PATH)
  find_file(ARDUINO_CORE Arduino.h PATHS /usr/share/arduino/hardware/arduino/avr/cores/arduino
            NO_DEFAULT_PATH)
  cyclotrim_part(arduino_tests "the Arduino sketch test (label timing)" ARDUINO_MK arduino-mk
                 ARDUINO_CORE arduino-core-avr)
endif()

find_program(DPKG_BUILDPACKAGE dpkg-buildpackage)
find_program(DH dh)
find_program(LINTIAN lintian)
find_program(MAN man)
find_file(BASH_COMPLETION bash_completion PATHS /usr/share/bash-completion NO_DEFAULT_PATH)
cyclotrim_part(package_tests "the Debian package test (label desktop)" DPKG_BUILDPACKAGE dpkg-dev
               DH debhelper LINTIAN lintian MAN man-db HELP2MAN help2man BASH_COMPLETION bash-completion
               AVRA avra AVR_GCC gcc-avr SIMAVR_LIBRARY libsimavr-dev)

find_program(MINGW_GXX x86_64-w64-mingw32-g++)
find_program(WINE wine)
find_program(WRESTOOL wrestool)
cyclotrim_part(windows_tests "the Windows test (label windows)" MINGW_GXX g++-mingw-w64-x86-64
               WINE wine WRESTOOL icoutils)

find_program(EMCMAKE emcmake)
find_program(CHROMEDRIVER chromedriver)
find_file(SELENIUM selenium/__init__.py PATHS /usr/lib/python3/dist-packages NO_DEFAULT_PATH)
cyclotrim_part(web_tests "the web page test (label web)" EMCMAKE emscripten CHROMEDRIVER chromium-driver
               SELENIUM python3-selenium)
