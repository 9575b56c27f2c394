# SPDX-License-Identifier: GPL-3.0-or-later
# What identifies a release: its home page, maintainer, version and date, for the
# programs' --help and --version, the man pages, the AppStream file and the package.
#
# The version is the project's version and, where the sources are a git checkout,
# the number of commits and the commit ("0.1+git121.406b248", ".dirty" added for
# uncommitted changes), so that builds from different commits never pass for the
# same release. Sets, for the whole build:
#   MSK_HOMEPAGE           the project's page (a placeholder until it has one)
#   MSK_MAINTAINER         who answers for the package, "Name <address>"
#   MSK_VERSION_STRING     the version as printed and packaged
#   MSK_COPYRIGHT_YEARS    "2026", or "2026-2028" once the last commit is later
#   MSK_RELEASE_DATE       date of the last commit (or of the build), RFC 2822
#   MSK_RELEASE_DAY        the same day as YYYY-MM-DD
include_guard(GLOBAL)

set(_msk_first_year 2026)
set(_msk_version "${PROJECT_VERSION}")
set(_msk_date "")
set(_msk_day "")

find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty --abbrev=7
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE _msk_describe OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE _msk_describe_failed ERROR_QUIET)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE _msk_count OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE _msk_count_failed ERROR_QUIET)
  if(NOT _msk_describe_failed AND NOT _msk_count_failed)
    string(REPLACE "-" "." _msk_describe "${_msk_describe}")
    set(_msk_version "${PROJECT_VERSION}+git${_msk_count}.${_msk_describe}")
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%aD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE _msk_date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ad --date=short
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE _msk_day OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit or checkout moves HEAD's log: configure again so the programs
    # never print a stale version.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE _msk_git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${_msk_git_dir}/logs/HEAD")
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_msk_git_dir}/logs/HEAD")
    endif()
  endif()
endif()
if(_msk_date STREQUAL "" OR _msk_day STREQUAL "")
  string(TIMESTAMP _msk_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  string(TIMESTAMP _msk_day "%Y-%m-%d" UTC)
endif()

string(SUBSTRING "${_msk_day}" 0 4 _msk_last_year)
if(_msk_last_year GREATER _msk_first_year)
  set(_msk_years "${_msk_first_year}-${_msk_last_year}")
else()
  set(_msk_years "${_msk_first_year}")
endif()

set(MSK_HOMEPAGE "https://example.org/msk-modem/" CACHE INTERNAL "")
set(MSK_MAINTAINER "MSK modem developers <msk-modem@example.org>" CACHE INTERNAL "")
set(MSK_VERSION_STRING "${_msk_version}" CACHE INTERNAL "")
set(MSK_COPYRIGHT_YEARS "${_msk_years}" CACHE INTERNAL "")
set(MSK_RELEASE_DATE "${_msk_date}" CACHE INTERNAL "")
set(MSK_RELEASE_DAY "${_msk_day}" CACHE INTERNAL "")
