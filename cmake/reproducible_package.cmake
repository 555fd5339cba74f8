# Run by CPack after each generator has made its packages. CMake stamps every entry with
# SOURCE_DATE_EPOCH and the install rules fix every mode, but before CMake 4.4 the tarball and the
# zip list their entries in the order the file system gives, which differs between machines. They
# are written again from the same stage with their entries sorted by name; the .debs sort their
# own.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be set; scripts/release sets it")
endif()
if(CPACK_GENERATOR STREQUAL "DEB")
    if(NOT CPACK_KORVANE_STATIC)
        return()
    endif()
    # The static korvane holds the C library and GCC's runtime libraries. Static-Built-Using names
    # the Debian source packages of all of them, in the versions this machine has, so that a
    # security update to any of them shows that korvane wants rebuilding; Built-Using, which keeps
    # a source in the archive for licence compliance, names the C library alone: its LGPL asks for
    # the source, while GCC's runtime comes under the GCC Runtime Library Exception. CPack has
    # neither field: the package is unpacked, given them, and packed again by dpkg-deb, which sorts
    # the entries and stamps them with SOURCE_DATE_EPOCH. korvane-gtk's package, dynamic, is left
    # as CPack made it.
    set(package ${CPACK_PACKAGE_FILES})
    list(FILTER package INCLUDE REGEX "/korvane_[^/]*[.]deb$")
    function(source_of query out)
        execute_process(COMMAND ${CPACK_KORVANE_CXX_COMPILER} ${query} OUTPUT_VARIABLE library
                        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        file(REAL_PATH ${library} library)
        execute_process(COMMAND dpkg-query -S ${library} OUTPUT_VARIABLE owner
                        COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX REPLACE "[:,].*" "" owner "${owner}")
        execute_process(COMMAND dpkg-query -W "-f=\${source:Package} (= \${source:Version})"
                                ${owner}
                        OUTPUT_VARIABLE source COMMAND_ERROR_IS_FATAL ANY)
        set(${out} "${source}" PARENT_SCOPE)
    endfunction()
    source_of(-print-file-name=libc.a built_using)
    source_of(-print-libgcc-file-name libgcc)
    source_of(-print-file-name=libstdc++.a libstdcxx)
    set(static_built_using "${built_using}" "${libgcc}" "${libstdcxx}")
    list(REMOVE_DUPLICATES static_built_using)
    list(SORT static_built_using)
    list(JOIN static_built_using ", " static_built_using)
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/built-using)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    # CPack ends the control file with an empty line, which would start a second paragraph.
    file(READ ${tree}/DEBIAN/control control)
    string(STRIP "${control}" control)
    file(WRITE ${tree}/DEBIAN/control "${control}\nBuilt-Using: ${built_using}\n"
               "Static-Built-Using: ${static_built_using}\n")
    file(REMOVE ${package})
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
    return()
endif()

list(GET CPACK_PACKAGE_FILES 0 package)
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
