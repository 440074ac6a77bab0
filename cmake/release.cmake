# One date stands for a release: SOURCE_DATE_EPOCH when the caller sets it, otherwise the
# date of the newest release in CHANGELOG.md (midnight UTC), so that a build from the source
# tarball, which has no history, dates its files as a build from the repository does.
# Stops the configure when the newest entry of CHANGELOG.md is not PROJECT_VERSION, so the
# changelog and the packages never name different versions. Sets ZSPACK_SOURCE_DATE_EPOCH,
# ZSPACK_RELEASE_DATE (2026-12-08, for the manual page) and ZSPACK_RELEASE_DATE_RFC2822
# (Tue, 08 Dec 2026 00:00:00 +0000, for the Debian changelog).
set(zspack_changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zspack_changelog})
file(STRINGS ${zspack_changelog} zspack_releases REGEX "^## \\[[0-9]")
list(LENGTH zspack_releases zspack_release_count)
if(zspack_release_count EQUAL 0)
  message(FATAL_ERROR "CHANGELOG.md lists no release (a heading \"## [x.y.z] - yyyy-mm-dd\")")
endif()
list(GET zspack_releases 0 zspack_newest_release)
if(NOT zspack_newest_release MATCHES "^## \\[([0-9.]+)\\] - ([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "CHANGELOG.md: \"${zspack_newest_release}\" is not \"## [x.y.z] - yyyy-mm-dd\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "CHANGELOG.md lists ${CMAKE_MATCH_1} first, but the project version is "
                      "${PROJECT_VERSION}: add its entry or change the version in project()")
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ZSPACK_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT ZSPACK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is \"${ZSPACK_SOURCE_DATE_EPOCH}\", not seconds since 1970")
  endif()
else()
  # Days since 1970-01-01 of the changelog's date, by the civil calendar counted from March,
  # so that a leap day falls at the end of its year; the leading 1 keeps "08" from reading as
  # octal.
  set(zspack_year ${CMAKE_MATCH_2})
  math(EXPR zspack_month "1${CMAKE_MATCH_3} - 100")
  math(EXPR zspack_day "1${CMAKE_MATCH_4} - 100")
  if(zspack_month LESS_EQUAL 2)
    math(EXPR zspack_year "${zspack_year} - 1")
    math(EXPR zspack_month_from_march "${zspack_month} + 9")
  else()
    math(EXPR zspack_month_from_march "${zspack_month} - 3")
  endif()
  math(EXPR zspack_era "${zspack_year} / 400")
  math(EXPR zspack_year_of_era "${zspack_year} - ${zspack_era} * 400")
  math(EXPR zspack_day_of_year "(153 * ${zspack_month_from_march} + 2) / 5 + ${zspack_day} - 1")
  math(EXPR zspack_day_of_era
       "${zspack_year_of_era} * 365 + ${zspack_year_of_era} / 4 - ${zspack_year_of_era} / 100 + ${zspack_day_of_year}")
  math(EXPR ZSPACK_SOURCE_DATE_EPOCH "(${zspack_era} * 146097 + ${zspack_day_of_era} - 719468) * 86400")
endif()

# string(TIMESTAMP) formats SOURCE_DATE_EPOCH when it is set, in English whatever the locale.
set(zspack_caller_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${ZSPACK_SOURCE_DATE_EPOCH})
string(TIMESTAMP ZSPACK_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP ZSPACK_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${zspack_caller_epoch}")
if(zspack_caller_epoch STREQUAL "")
  unset(ENV{SOURCE_DATE_EPOCH})
endif()
