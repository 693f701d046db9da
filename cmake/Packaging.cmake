# What an installed Tavrel carries besides the program (the manual page, the bash completion, the
# copyright and changelog files) and the Debian package made from the install layout:
#   cpack -G DEB            (in the build folder) -> tavrel_<version>_<arch>.deb
# The maintainer, summary, description and homepage are read from the metainfo file, so the
# software centre and the package say the same.

set(TAVREL_PACKAGE_NAME tavrel)
set(TAVREL_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${TAVREL_PACKAGE_NAME})
set(_tavrel_metainfo ${PROJECT_SOURCE_DIR}/resources/${TAVREL_BUNDLE_IDENTIFIER}.metainfo.xml)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tavrel_metainfo})
file(READ ${_tavrel_metainfo} _tavrel_xml)

# The text of an element, its tags removed, entities decoded and white space collapsed.
function(tavrel_xml_text out xml)
    string(REGEX REPLACE "<[^>]*>" "" text "${xml}")
    string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
    string(STRIP "${text}" text)
    string(REPLACE "&lt;" "<" text "${text}")
    string(REPLACE "&gt;" ">" text "${text}")
    string(REPLACE "&quot;" "\"" text "${text}")
    string(REPLACE "&apos;" "'" text "${text}")
    string(REPLACE "&amp;" "&" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The first element named `tag` (without attributes other than `attributes`), as text.
function(tavrel_xml_first out tag attributes)
    string(REGEX MATCH "<${tag}${attributes}>[^<]*</${tag}>" element "${_tavrel_xml}")
    tavrel_xml_text(text "${element}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Folds text into lines of at most `width` characters, each starting with `indent`; semicolons
# are kept out of CMake's list handling.
function(tavrel_fold out text width indent)
    string(ASCII 1 mark)
    string(REPLACE ";" "${mark}" text "${text}")
    string(REPLACE " " ";" words "${text}")
    set(lines "")
    set(line "")
    foreach(word IN LISTS words)
        string(LENGTH "${indent}${line} ${word}" length)
        if(line STREQUAL "")
            set(line "${word}")
        elseif(length GREATER width)
            string(APPEND lines "${indent}${line}\n")
            set(line "${word}")
        else()
            string(APPEND line " ${word}")
        endif()
    endforeach()
    string(APPEND lines "${indent}${line}")
    string(REPLACE "${mark}" ";" lines "${lines}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# Days since 1970-01-01 of a calendar date after the year 0.
function(tavrel_days_since_epoch out year month day)
    # The year counted from March, so that the leap day ends it.
    set(y ${year})
    if(month LESS_EQUAL 2)
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR era "${y} / 400")
    math(EXPR yoe "${y} - ${era} * 400")
    math(EXPR mp "(${month} + 9) % 12")
    math(EXPR doy "(153 * ${mp} + 2) / 5 + ${day} - 1")
    math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
    math(EXPR days "${era} * 146097 + ${doe} - 719468")
    set(${out} ${days} PARENT_SCOPE)
endfunction()

tavrel_xml_first(TAVREL_SUMMARY summary "")
tavrel_xml_first(TAVREL_DEVELOPER developer_name "")
if(TAVREL_DEVELOPER STREQUAL "")
    # The newer form: <developer id="…"><name>…</name></developer>.
    string(REGEX MATCH "<developer[^>]*>[ \t\r\n]*<name>[^<]*</name>" _tavrel_developer "${_tavrel_xml}")
    string(REGEX REPLACE "^<developer[^>]*>" "" _tavrel_developer "${_tavrel_developer}")
    tavrel_xml_text(TAVREL_DEVELOPER "${_tavrel_developer}")
endif()
tavrel_xml_first(TAVREL_CONTACT update_contact "")
if(TAVREL_CONTACT STREQUAL "")
    set(TAVREL_CONTACT ${TAVREL_SUPPORT_EMAIL})
endif()
tavrel_xml_first(TAVREL_HOMEPAGE url " type=\"homepage\"")
if(TAVREL_SUMMARY STREQUAL "" OR TAVREL_DEVELOPER STREQUAL "")
    message(FATAL_ERROR "${_tavrel_metainfo} names no summary or developer")
endif()
set(TAVREL_MAINTAINER "${TAVREL_DEVELOPER} <${TAVREL_CONTACT}>")

# The long description: each paragraph folded, list items as an indented (verbatim) list, a blank
# line between blocks (CPack turns it into " ."). CPack adds the leading space of each line.
string(REGEX MATCH "<description>.*</description>" _tavrel_description "${_tavrel_xml}")
string(REGEX MATCHALL "<p>[^<]*</p>|<li>[^<]*</li>|<ul>|<ol>" _tavrel_blocks "${_tavrel_description}")
set(TAVREL_LONG_DESCRIPTION "")
foreach(block IN LISTS _tavrel_blocks)
    if(block MATCHES "^<(ul|ol)>$")
        if(NOT TAVREL_LONG_DESCRIPTION STREQUAL "")
            string(APPEND TAVREL_LONG_DESCRIPTION "\n")
        endif()
        continue()
    endif()
    tavrel_xml_text(text "${block}")
    if(block MATCHES "^<li>")
        tavrel_fold(text "${text}" 78 "   ")
        string(REGEX REPLACE "^   " " * " text "${text}")
    else()
        tavrel_fold(text "${text}" 79 "")
        if(NOT TAVREL_LONG_DESCRIPTION STREQUAL "")
            string(APPEND TAVREL_LONG_DESCRIPTION "\n")
        endif()
    endif()
    string(APPEND TAVREL_LONG_DESCRIPTION "${text}\n")
endforeach()

# The date of this version's release in the metainfo (else of the newest release): the date of
# the changelog entry and of the manual page, so that a rebuild makes the same files.
string(REGEX MATCH "<release[^>]* version=\"${PROJECT_VERSION}\"[^>]*>" _tavrel_release "${_tavrel_xml}")
if(_tavrel_release STREQUAL "")
    string(REGEX MATCH "<release[^>]*>" _tavrel_release "${_tavrel_xml}")
endif()
if(_tavrel_release MATCHES "date=\"([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])")
    set(_tavrel_year ${CMAKE_MATCH_1})
    set(_tavrel_month ${CMAKE_MATCH_2})
    set(_tavrel_day ${CMAKE_MATCH_3})
    # Leading zeros would make math() read octal.
    string(REGEX REPLACE "^0" "" _tavrel_month ${_tavrel_month})
    string(REGEX REPLACE "^0" "" _tavrel_day ${_tavrel_day})
    tavrel_days_since_epoch(_tavrel_days ${_tavrel_year} ${_tavrel_month} ${_tavrel_day})
    math(EXPR TAVREL_RELEASE_EPOCH "${_tavrel_days} * 86400")
else()
    string(TIMESTAMP TAVREL_RELEASE_EPOCH "%s" UTC)
endif()
set(_tavrel_saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${TAVREL_RELEASE_EPOCH})
string(TIMESTAMP TAVREL_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP TAVREL_RELEASE_YEAR "%Y" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${_tavrel_saved_epoch}")

set(TAVREL_PACKAGING_BUILD ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${TAVREL_PACKAGING_BUILD})

# /usr/share/doc/tavrel: the copyright file and the changelog, compressed as Debian wants it.
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${TAVREL_PACKAGING_BUILD}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${TAVREL_PACKAGING_BUILD}/changelog @ONLY)
find_program(TAVREL_GZIP gzip REQUIRED)
find_program(TAVREL_HELP2MAN help2man)
if(NOT TAVREL_HELP2MAN)
    message(FATAL_ERROR "help2man makes the manual page: run scripts/install-deps")
endif()

# The manual page: help2man over `tavrel --help`, with the sections --help does not give
# (batch options, exit status, settings, files, environment) from packaging/tavrel.h2m.
set(TAVREL_MANPAGE ${TAVREL_PACKAGING_BUILD}/tavrel.1)
add_custom_command(
    OUTPUT ${TAVREL_MANPAGE}
    # A sanitizer build's leak report at exit would fail help2man.
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TAVREL_RELEASE_EPOCH} ASAN_OPTIONS=detect_leaks=0
            ${TAVREL_HELP2MAN} --no-info --section=1 --name=${TAVREL_SUMMARY}
            --version-string=${PROJECT_VERSION} --include=${PROJECT_SOURCE_DIR}/packaging/tavrel.h2m
            --output=${TAVREL_MANPAGE} $<TARGET_FILE:tavrel>
    DEPENDS tavrel ${PROJECT_SOURCE_DIR}/packaging/tavrel.h2m
    COMMENT "Writing the manual page tavrel.1"
    VERBATIM)
add_custom_command(
    OUTPUT ${TAVREL_MANPAGE}.gz ${TAVREL_PACKAGING_BUILD}/changelog.gz
    COMMAND ${TAVREL_GZIP} -9nkf ${TAVREL_MANPAGE} ${TAVREL_PACKAGING_BUILD}/changelog
    DEPENDS ${TAVREL_MANPAGE} ${TAVREL_PACKAGING_BUILD}/changelog
    VERBATIM)
add_custom_target(tavrel_package_files ALL DEPENDS ${TAVREL_MANPAGE}.gz ${TAVREL_PACKAGING_BUILD}/changelog.gz)

install(FILES ${TAVREL_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TAVREL_PACKAGING_BUILD}/copyright ${TAVREL_PACKAGING_BUILD}/changelog.gz
        DESTINATION ${TAVREL_PACKAGE_DOCDIR})

# The bash completion goes where bash-completion looks for it when that is under the prefix;
# otherwise to the same place below the prefix (a package installs to /usr).
set(TAVREL_COMPLETIONS_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
pkg_get_variable(_tavrel_completions bash-completion completionsdir)
if(_tavrel_completions MATCHES "^${CMAKE_INSTALL_PREFIX}/(.+)$")
    set(TAVREL_COMPLETIONS_DIR ${CMAKE_MATCH_1})
endif()
install(FILES packaging/tavrel.bash-completion DESTINATION ${TAVREL_COMPLETIONS_DIR} RENAME tavrel)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TAVREL_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${TAVREL_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${TAVREL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${TAVREL_SUMMARY}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${TAVREL_LONG_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(NOT TAVREL_HOMEPAGE STREQUAL "")
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAVREL_HOMEPAGE})
endif()
# The shared libraries come from dpkg-shlibdeps; the tools Tavrel runs and Qt's platform plugins
# (the X11 one is in qt6-qpa-plugins, the Wayland one in qt6-wayland) are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, mediainfo, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# A media server on the home network is how the console plays the watched folder's outputs.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "minidlna")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
