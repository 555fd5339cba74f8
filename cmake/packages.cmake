# The release packages, made by CPack from the install tree: a zip for Windows, a tarball and a
# .deb for Linux. scripts/release sets SOURCE_DATE_EPOCH, so that every time stamp in them is the
# commit's.
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "the KORVANE developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Joins a firmware file and a calibration file into one flash image")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproducible_package.cmake)
if(WIN32)
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
    # korvane is static; korvane-gtk needs GTK, which dpkg-shlibdeps names.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # CPack puts the summary above this and indents each line by one space.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "KORVANE writes a flash image with a fixed layout: 32 KiB of 0xFF, a 32 KiB
calibration area, a 16-byte prefix, then the whole firmware. It checks the
firmware's interrupt-table marker and gives the image its final length of
256 KiB or 512 KiB from the size byte that follows it. korvane, a static
executable, asks for missing paths on the terminal; korvane-gtk, which the
desktop entry starts, asks in GTK file dialogs. The texts are Russian.")
    # For the Built-Using field, which the post-build script adds.
    set(CPACK_KORVANE_STATIC ${KORVANE_STATIC})
    set(CPACK_KORVANE_CXX_COMPILER ${CMAKE_CXX_COMPILER})
endif()
include(CPack)
