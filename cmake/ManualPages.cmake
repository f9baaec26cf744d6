# The manual pages, from their sources in docs/, gzipped as Debian installs
# them, with the version and the date of the latest release in the changelog.

file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog changelog_signatures REGEX "^ -- ")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
list(GET changelog_signatures 0 latest_signature)
if(NOT latest_signature MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "cmake/debian/changelog: no date in its latest entry's line: ${latest_signature}")
endif()
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND month_names ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 101")
string(SUBSTRING ${month} 1 2 month)
set(BMP2CDATA_RELEASE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})

# Builds and installs NAME(1) from docs/NAME.1.in; with FROM_HELP TARGET its
# markers are filled from what that program's --help prints.
function(add_manual_page name)
    cmake_parse_arguments(PARSE_ARGV 1 page "" FROM_HELP "")
    set(folder ${CMAKE_BINARY_DIR}/man)
    file(READ ${PROJECT_SOURCE_DIR}/docs/${name}.1.in text)
    # Read while configuring: an edit to the source must configure anew.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/${name}.1.in)
    string(REPLACE "@VERSION@" "${PROJECT_VERSION}" text "${text}")
    string(REPLACE "@DATE@" "${BMP2CDATA_RELEASE_DATE}" text "${text}")
    # Written through a copy, so that an unchanged page is not built again.
    file(WRITE ${folder}/${name}.1.new "${text}")
    configure_file(${folder}/${name}.1.new ${folder}/${name}.1.in COPYONLY)
    set(filled ${folder}/${name}.1)
    if(page_FROM_HELP)
        add_custom_command(OUTPUT ${filled}
            COMMAND ${PROJECT_SOURCE_DIR}/tools/from-help.sh man $<TARGET_FILE:${page_FROM_HELP}> ${filled}.in ${filled}
            DEPENDS ${PROJECT_SOURCE_DIR}/tools/from-help.sh ${filled}.in ${page_FROM_HELP}
            COMMENT "Writing the manual page ${name}(1) from ${name} --help"
            VERBATIM)
    else()
        configure_file(${filled}.in ${filled} COPYONLY)
    endif()
    add_custom_command(OUTPUT ${filled}.gz
        COMMAND gzip -9nkf ${filled}
        DEPENDS ${filled}
        VERBATIM)
    add_custom_target(manual_page_${name} ALL DEPENDS ${filled}.gz)
    install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
