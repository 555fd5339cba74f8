# The Windows program: one self-contained GUI executable that needs no DLL beside it.
set_target_properties(korvane PROPERTIES WIN32_EXECUTABLE ON)
# No link time in the header, so that the same commit always gives the same bytes. The file layer's
# calls that only the native programs' prompts make are left out of the link.
target_link_options(korvane PRIVATE -static -static-libgcc -static-libstdc++ -s
                    -Wl,--no-insert-timestamp -Wl,--gc-sections)
# msvcrt's printf rather than MinGW's own, which is a tenth of the program. libstdc++'s headers
# turn MinGW's on for whatever includes stdio.h after them, so stdio.h comes first. XP's msvcrt
# knows no %lld, so no format here takes a 64-bit number.
foreach(target korvane korvane_image)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -ffunction-sections
                           -include stdio.h)
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
endforeach()
