# What a user gets: the install tree, which the packages of scripts/release are made from.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    # One folder with the program, the two launchers that a file is dropped on and its two texts,
    # made for Windows; the program needs no installer.
    set(text_folder ${CMAKE_CURRENT_BINARY_DIR}/texts)
    set(windows_texts ${text_folder}/README.txt ${text_folder}/LICENSE.txt)
    add_custom_command(OUTPUT ${windows_texts}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${text_folder}
        COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DOUTPUT=${text_folder}
                -P ${PROJECT_SOURCE_DIR}/cmake/windows_texts.cmake
        DEPENDS res/README.txt LICENSE cmake/windows_texts.cmake VERBATIM)
    add_custom_target(korvane_texts ALL DEPENDS ${windows_texts})
    install(TARGETS korvane check-image extract-calibration RUNTIME DESTINATION .)
    install(FILES ${windows_texts} DESTINATION .)
    return()
endif()

# The desktop icons come from the generator that draws the Windows icon, which must still draw
# exactly the committed one.
add_executable(korvane_make_icon res/make_icon.cpp)
# The theme gets the Windows icon's sizes, and for software centres, app grids and HiDPI screens
# three larger ones, beside the scalable one drawn by hand to the same layout.
set(KORVANE_ICON_SIZES 16 24 32 48 64 128 256)
set(icon_folder ${CMAKE_CURRENT_BINARY_DIR}/icons)
list(TRANSFORM KORVANE_ICON_SIZES PREPEND ${icon_folder}/korvane- OUTPUT_VARIABLE icon_files)
list(TRANSFORM icon_files APPEND .png)
add_custom_command(OUTPUT ${icon_folder}/korvane.ico ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_folder}
    COMMAND korvane_make_icon ${icon_folder}/korvane.ico ${icon_folder}
    DEPENDS korvane_make_icon VERBATIM)
add_custom_target(korvane_icons ALL DEPENDS ${icon_files})

# The texts as Debian has them: the two programs' manual pages, the changelog and the README (far
# above the 4 kB that policy lets a document stay uncompressed) compressed with no name or time
# inside (gzip -n), and the licence in a machine-readable copyright file, which also names the
# licences of the libraries that the static korvane holds.
set(KORVANE_CONTACT "the KORVANE developers <maintainers@users.noreply.c-seed-ec1dcb92.example>")
set(text_folder ${CMAKE_CURRENT_BINARY_DIR}/texts)
file(MAKE_DIRECTORY ${text_folder})
set(compressed_texts ${text_folder}/korvane.1.gz ${text_folder}/korvane-gtk.1.gz
    ${text_folder}/changelog.gz ${text_folder}/README.md.gz)
add_custom_command(OUTPUT ${compressed_texts}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/korvane.1
            ${PROJECT_SOURCE_DIR}/docs/korvane-gtk.1 ${PROJECT_SOURCE_DIR}/res/changelog
            ${PROJECT_SOURCE_DIR}/README.md ${text_folder}
    COMMAND gzip -9nf ${text_folder}/korvane.1 ${text_folder}/korvane-gtk.1
            ${text_folder}/changelog ${text_folder}/README.md
    DEPENDS docs/korvane.1 docs/korvane-gtk.1 res/changelog README.md VERBATIM)
add_custom_target(korvane_texts ALL DEPENDS ${compressed_texts})
file(READ LICENSE KORVANE_LICENSE_TEXT)
string(STRIP "${KORVANE_LICENSE_TEXT}" KORVANE_LICENSE_TEXT)
string(REPLACE "\n\n" "\n.\n" KORVANE_LICENSE_TEXT " ${KORVANE_LICENSE_TEXT}")
string(REPLACE "\n" "\n " KORVANE_LICENSE_TEXT "${KORVANE_LICENSE_TEXT}")
configure_file(res/copyright.in ${text_folder}/copyright @ONLY)

# Each file goes in one of the two Debian packages, the one its install rule names as component:
# korvane, the terminal program with what both programs share (korvane-gtk depends on it), or
# korvane-gtk, the desktop program with what a desktop shows of it. A rule that names none is the
# terminal package's. The tarball holds both packages' files.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME korvane)
install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvane)
install(FILES ${text_folder}/korvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT korvane)
install(FILES ${text_folder}/README.md.gz ${text_folder}/changelog.gz ${text_folder}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT korvane)
install(FILES res/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME korvane COMPONENT korvane)
if(TARGET korvane-gtk)
    install(TARGETS korvane-gtk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvane-gtk)
    install(FILES ${text_folder}/korvane-gtk.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT korvane-gtk)
    # Every package has its own copyright and changelog; the README is in korvane's folder.
    install(FILES ${text_folder}/changelog.gz ${text_folder}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane-gtk COMPONENT korvane-gtk)
    install(FILES res/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT korvane-gtk)
    # What software centres show of korvane-gtk.
    install(FILES res/korvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
            COMPONENT korvane-gtk)
    foreach(size ${KORVANE_ICON_SIZES})
        install(FILES ${icon_folder}/korvane-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME korvane.png COMPONENT korvane-gtk)
    endforeach()
    install(FILES res/korvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            COMPONENT korvane-gtk)
endif()
