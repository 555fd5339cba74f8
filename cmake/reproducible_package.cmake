# Run by CPack after it has made each package. CMake stamps every entry with SOURCE_DATE_EPOCH and
# the install rules fix every mode, but before CMake 4.4 the tarball and the zip list their entries
# in the order the file system gives, which differs between machines. They are written again from
# the same stage with their entries sorted by name; the .deb sorts its own.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be set; scripts/release sets it")
endif()
list(GET CPACK_PACKAGE_FILES 0 package)

if(NOT CPACK_GENERATOR MATCHES "^(TGZ|ZIP)$")
    return()
endif()

file(GLOB_RECURSE files RELATIVE ${CPACK_TOPLEVEL_DIRECTORY}
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
# Lintian's overrides are for the .deb alone.
list(FILTER files EXCLUDE REGEX "/share/lintian/")
list(SORT files)
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(write cf ${package} --format=zip)
else()
    set(write czf ${package} --format=gnutar)
endif()
file(REMOVE ${package})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${write} -- ${files}
                WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
