# The release this source is: its date, as the newest entry of the package's
# changelog gives it, for the manual pages and the software centre's metadata.
# The changelog and project(VERSION) must name the same version, so that a
# release is never described with another one's date.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/deb/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} heading LIMIT_COUNT 1)
if(NOT heading MATCHES "^quillet \\(([^)]+)\\)")
  message(FATAL_ERROR "${changelog}: the first line does not name a version")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${changelog}: the newest entry is ${CMAKE_MATCH_1}, the project is "
                      "${PROJECT_VERSION}: add an entry for this version")
endif()
file(STRINGS ${changelog} trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "${changelog}: the newest entry has no date")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
if(month EQUAL -1)
  message(FATAL_ERROR "${changelog}: the newest entry's month ${CMAKE_MATCH_2} is not one of ${months}")
endif()
math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
if(month LESS 10)
  set(month 0${month})
endif()
set(QUILLET_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})

# Who publishes it, as the Windows programs' version resources, the
# installer and Add/Remove Programs name them; the copyright is the one in
# LICENSE.
set(QUILLET_PUBLISHER "The Quillet developers")
string(SUBSTRING ${QUILLET_RELEASE_DATE} 0 4 release_year)
set(QUILLET_COPYRIGHT "Copyright (c) ${release_year} ${QUILLET_PUBLISHER}")
set(QUILLET_HOMEPAGE "https://github.com/quillet/quillet")
