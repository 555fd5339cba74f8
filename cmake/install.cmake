# What a user gets: the install tree, which the packages of scripts/release are made from.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    # One folder with the program and its two texts; the program needs no installer.
    install(TARGETS korvane RUNTIME DESTINATION .)
    install(FILES README.md LICENSE DESTINATION .)
    return()
endif()

# The desktop icons come from the generator that draws the Windows icon, which must still draw
# exactly the committed one.
add_executable(korvane_make_icon res/make_icon.cpp)
set(KORVANE_ICON_SIZES 16 24 32 48)
set(icon_folder ${CMAKE_CURRENT_BINARY_DIR}/icons)
list(TRANSFORM KORVANE_ICON_SIZES PREPEND ${icon_folder}/korvane- OUTPUT_VARIABLE icon_files)
list(TRANSFORM icon_files APPEND .png)
add_custom_command(OUTPUT ${icon_folder}/korvane.ico ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_folder}
    COMMAND korvane_make_icon ${icon_folder}/korvane.ico ${icon_folder}
    DEPENDS korvane_make_icon VERBATIM)
add_custom_target(korvane_icons ALL DEPENDS ${icon_files})

install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET korvane-gtk)
    install(TARGETS korvane-gtk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES docs/korvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${KORVANE_ICON_SIZES})
    install(FILES ${icon_folder}/korvane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME korvane.png)
endforeach()
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
