# The English message catalogue, built from po/en.po into the folder layout it is installed in. A
# test checks that the catalogue gives every text of the program's own an English one.
find_program(KORVANE_MSGFMT msgfmt REQUIRED)
set(KORVANE_CATALOGUE ${PROJECT_BINARY_DIR}/locale/en/LC_MESSAGES/korvane.mo)
add_custom_command(OUTPUT ${KORVANE_CATALOGUE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/locale/en/LC_MESSAGES
    COMMAND ${KORVANE_MSGFMT} --check -o ${KORVANE_CATALOGUE} ${PROJECT_SOURCE_DIR}/po/en.po
    DEPENDS po/en.po VERBATIM)
add_custom_target(korvane_translations ALL DEPENDS ${KORVANE_CATALOGUE})
install(FILES ${KORVANE_CATALOGUE} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/en/LC_MESSAGES
        COMPONENT korvane)
