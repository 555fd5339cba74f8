# Run by CPack twice per package, so that the same commit gives the same archive on any machine.
# Before archiving (no package yet): every staged entry gets the commit's time and a mode that
# depends only on whether it is a folder or a program. After: CMake before 4.4 archives the tarball
# and the zip in the order the file system lists the stage, so they are written again from the
# same stage with their entries sorted by name. The .deb already sorts its entries.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be set; scripts/release sets it")
endif()

if(NOT DEFINED CPACK_PACKAGE_FILES)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    foreach(entry ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${entries})
        if(IS_DIRECTORY ${entry} OR entry MATCHES "/bin/[^/]*$|\\.exe$")
            file(CHMOD ${entry} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
        else()
            file(CHMOD ${entry} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        endif()
        execute_process(COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${entry}
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    return()
endif()

if(CPACK_GENERATOR STREQUAL "TGZ" OR CPACK_GENERATOR STREQUAL "ZIP")
    file(GLOB_RECURSE files RELATIVE ${CPACK_TOPLEVEL_DIRECTORY}
         "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    list(SORT files)
    set(format gnutar)
    set(mode czf)
    if(CPACK_GENERATOR STREQUAL "ZIP")
        set(format zip)
        set(mode cf)
    endif()
    list(GET CPACK_PACKAGE_FILES 0 package)
    file(REMOVE ${package})
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${mode} ${package} --format=${format} -- ${files}
                    WORKING_DIRECTORY ${CPACK_TOPLEVEL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
endif()
