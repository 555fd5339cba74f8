# The Windows program: one self-contained GUI executable that needs no DLL beside it.
set_target_properties(korvane PROPERTIES WIN32_EXECUTABLE ON)
# No link time in the header, so that the same commit always gives the same bytes. The file layer's
# calls that only the native programs' prompts make are left out of the link.
set(KORVANE_WINDOWS_LINK -static -static-libgcc -static-libstdc++ -s -Wl,--no-insert-timestamp
    -Wl,--gc-sections)
target_link_options(korvane PRIVATE ${KORVANE_WINDOWS_LINK})
# msvcrt's printf rather than MinGW's own, which is a tenth of the program. libstdc++'s headers
# turn MinGW's on for whatever includes stdio.h after them, so stdio.h comes first. XP's msvcrt
# knows no %lld, so no format here takes a 64-bit number.
foreach(target korvane korvane_image)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -ffunction-sections
                           -include stdio.h)
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
endforeach()

# The two programs a file is dropped on, which hand it to korvane.exe beside them with their
# option, through no command interpreter.
foreach(launcher check-image:--check extract-calibration:--extract-calibration)
    string(REPLACE ":" ";" launcher ${launcher})
    list(GET launcher 0 name)
    list(GET launcher 1 option)
    add_executable(${name} WIN32 src/app/launcher_windows.cpp src/app/command_line.cpp)
    target_include_directories(${name} PRIVATE src)
    target_compile_definitions(${name} PRIVATE "KORVANE_OPTION=L\"${option}\"")
    target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti -ffunction-sections)
    target_link_options(${name} PRIVATE ${KORVANE_WINDOWS_LINK})
endforeach()
