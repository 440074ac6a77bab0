# Takes the release date of this version from the newest entry of CHANGELOG.md and stops the
# configure when that entry is not PROJECT_VERSION, so the changelog and the packages never
# name different versions. Sets ZSPACK_RELEASE_DATE (2026-12-08) and
# ZSPACK_RELEASE_DATE_RFC2822 (Tue, 08 Dec 2026 00:00:00 +0000, for the Debian changelog).
set(zspack_changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zspack_changelog})
file(STRINGS ${zspack_changelog} zspack_releases REGEX "^## \\[[0-9]")
list(LENGTH zspack_releases zspack_release_count)
if(zspack_release_count EQUAL 0)
  message(FATAL_ERROR "CHANGELOG.md lists no release (a heading \"## [x.y.z] - yyyy-mm-dd\")")
endif()
list(GET zspack_releases 0 zspack_newest_release)
if(NOT zspack_newest_release MATCHES "^## \\[([0-9.]+)\\] - (([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9]))$")
  message(FATAL_ERROR "CHANGELOG.md: \"${zspack_newest_release}\" is not \"## [x.y.z] - yyyy-mm-dd\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "CHANGELOG.md lists ${CMAKE_MATCH_1} first, but the project version is "
                      "${PROJECT_VERSION}: add its entry or change the version in project()")
endif()
set(ZSPACK_RELEASE_DATE ${CMAKE_MATCH_2})
set(zspack_year ${CMAKE_MATCH_3})
set(zspack_day_text ${CMAKE_MATCH_5})
math(EXPR zspack_month "1${CMAKE_MATCH_4} - 100")  # the leading 1 keeps "08" from reading as octal
math(EXPR zspack_day "1${CMAKE_MATCH_5} - 100")

# Day of the week by Zeller's congruence, January and February counted as months 13 and 14
# of the year before; 0 is Saturday.
set(zspack_m ${zspack_month})
set(zspack_y ${zspack_year})
if(zspack_m LESS 3)
  math(EXPR zspack_m "${zspack_m} + 12")
  math(EXPR zspack_y "${zspack_y} - 1")
endif()
math(EXPR zspack_weekday "(${zspack_day} + (13 * (${zspack_m} + 1)) / 5 + ${zspack_y} + ${zspack_y} / 4 - ${zspack_y} / 100 + ${zspack_y} / 400) % 7")
set(zspack_weekdays Sat Sun Mon Tue Wed Thu Fri)
set(zspack_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET zspack_weekdays ${zspack_weekday} zspack_weekday_name)
math(EXPR zspack_month_index "${zspack_month} - 1")
list(GET zspack_months ${zspack_month_index} zspack_month_name)
set(ZSPACK_RELEASE_DATE_RFC2822
    "${zspack_weekday_name}, ${zspack_day_text} ${zspack_month_name} ${zspack_year} 00:00:00 +0000")
