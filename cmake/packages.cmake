# The release packages, made by CPack from the install tree: a zip for Windows, and for Linux a
# tarball and two .debs, korvane and korvane-gtk, one for each component of the install rules.
# scripts/release sets SOURCE_DATE_EPOCH, so that every time stamp in them is the commit's.
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "the KORVANE developers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible_package.cmake)
if(WIN32)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
        "Joins a firmware file and a calibration file into one flash image")
    set(CPACK_GENERATOR ZIP)
    # The program is linked stripped; stripping it again would stamp a time into its header.
    set(CPACK_STRIP_FILES OFF)
    set(CPACK_PACKAGE_FILE_NAME korvane-${PROJECT_VERSION}-win32)
else()
    set(CPACK_GENERATOR "TGZ;DEB")
    set(CPACK_STRIP_FILES ON)
    set(CPACK_PACKAGE_FILE_NAME korvane-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVANE_CONTACT}")
    # The tarball stays one archive of everything; the .debs are one for each component, named as
    # it is. With no package-wide summary CPack takes each description's first line for it.
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_DEBIAN_KORVANE_PACKAGE_NAME korvane)
    set(CPACK_DEBIAN_KORVANE-GTK_PACKAGE_NAME korvane-gtk)
    # korvane is static and needs nothing; korvane-gtk needs GTK, which dpkg-shlibdeps names, and
    # korvane of its own version, whose package holds what the two programs share.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
    set(CPACK_COMPONENT_KORVANE-GTK_DEPENDS korvane)
    set(layout "KORVANE writes a flash image with a fixed layout: 32 KiB of 0xFF, a 32 KiB
calibration area, a 16-byte prefix, then the whole firmware. It checks the
firmware's interrupt-table marker and gives the image its final length of
256 KiB or 512 KiB from the size byte that follows it.")
    # CPack indents each line by one space and writes an empty one as a full stop.
    set(CPACK_DEBIAN_KORVANE_DESCRIPTION
        "Joins a firmware file and a calibration file into one flash image
${layout}

This package holds korvane, a static executable that asks for missing paths
on the terminal; korvane-gtk is the same program in GTK dialogs. The texts are
English under an English locale and Russian under every other.")
    set(CPACK_DEBIAN_KORVANE-GTK_DESCRIPTION
        "Joins firmware and calibration into one flash image, in GTK 3 dialogs
${layout}

This package holds korvane-gtk, which the desktop entry starts: it asks for
the paths in GTK file dialogs and tells what happened in message boxes. The
texts are English under an English locale and Russian under every other.")
    # For the Built-Using fields, which the post-build script adds to korvane's package.
    set(CPACK_KORVANE_STATIC ${KORVANE_STATIC})
    set(CPACK_KORVANE_CXX_COMPILER ${CMAKE_CXX_COMPILER})
endif()
include(CPack)
