# SPDX-License-Identifier: GPL-3.0-or-later
# The release this build makes, as the newest entry of packaging/changelog
# names it: the Debian revision (KESTREL_DEB_REVISION), the maintainer
# (KESTREL_MAINTAINER, from the entry's trailer line) and the date
# (KESTREL_RELEASE_DATE, YYYY-MM-DD). The entry's version must be the
# project's, so the package, its changelog and the AppStream release agree.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog kestrel_changelog REGEX "^kestrel \\(|^ -- " LIMIT_COUNT 2)
list(GET kestrel_changelog 0 kestrel_entry)
if(NOT kestrel_entry MATCHES "^kestrel \\(([^)]+)-([^-)]+)\\) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry does not start with \"kestrel (<version>-<revision>) \"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is for ${CMAKE_MATCH_1}, the project is "
                        "${PROJECT_VERSION}; add an entry for ${PROJECT_VERSION}")
endif()
set(KESTREL_DEB_REVISION ${CMAKE_MATCH_2})
list(GET kestrel_changelog 1 kestrel_trailer)
if(NOT kestrel_trailer MATCHES "^ -- (.+ <[^>]+>)  [A-Z][a-z][a-z], ([0-9][0-9]) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry's trailer line is not "
                        "\" -- Name <address>  Day, DD Mon YYYY hh:mm:ss +zzzz\"")
endif()
set(KESTREL_MAINTAINER ${CMAKE_MATCH_1})
set(kestrel_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND kestrel_months ${CMAKE_MATCH_3} kestrel_month)
math(EXPR kestrel_month "${kestrel_month} + 1")
if(kestrel_month LESS 10)
    set(kestrel_month 0${kestrel_month})
endif()
set(KESTREL_RELEASE_DATE ${CMAKE_MATCH_4}-${kestrel_month}-${CMAKE_MATCH_2})
