# The Windows program: one self-contained GUI executable that needs no DLL beside it.
set_target_properties(korvane PROPERTIES WIN32_EXECUTABLE ON)
# No link time in the header, so that the same commit always gives the same bytes. The file layer's
# calls that only the native programs' prompts make are left out of the link.
target_link_options(korvane PRIVATE -static -static-libgcc -static-libstdc++ -s
                    -Wl,--no-insert-timestamp -Wl,--gc-sections)
foreach(target korvane korvane_image)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -ffunction-sections)
endforeach()
