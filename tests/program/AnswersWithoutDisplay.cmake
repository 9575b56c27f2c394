# SPDX-License-Identifier: GPL-3.0-or-later
# Runs PROGRAM (named NAME) with --version and --help where no window system can
# be reached, as in a package check or over ssh: each must print its answer on
# standard output, nothing on standard error, and exit 0 -- a GUI program that
# made its QApplication first would abort here instead.
#   cmake -DPROGRAM=path -DNAME=msk-receiver -P AnswersWithoutDisplay.cmake
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM)

# msk-modem's own usage text is checked with its other commands (tests/tools).
set(first_lines "--version" "^${NAME} \\(MSK modem\\) [0-9]+\\.[0-9]+")
if(NOT NAME STREQUAL "msk-modem")
  list(APPEND first_lines "--help" "^Usage: ${NAME} \\[OPTION\\]\\.\\.\\.\n")
endif()

set(failures "")
while(first_lines)
  list(POP_FRONT first_lines option expected)
  execute_process(COMMAND ${no_display} ${PROGRAM} ${option}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "" OR NOT out MATCHES "${expected}")
    string(APPEND failures "${NAME} ${option}: exit ${status}\n--- stdout:\n${out}--- stderr:\n${err}\n")
  endif()
endwhile()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
