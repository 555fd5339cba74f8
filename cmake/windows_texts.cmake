# Writes the texts of the Windows zip, README.txt from README.md and LICENSE.txt from LICENSE,
# with CRLF line ends and a byte-order mark on the README, so that Notepad shows the Russian
# there even on Windows XP; and the two command files an image is dropped on, with the CRLF line
# ends without which cmd.exe may miss their labels. The zip carries no pictures and no other file
# of the tree, so the tables of screenshots are left out and links to the tree's files become
# their plain text.
#   cmake -DSOURCE=<tree> -DOUTPUT=<folder> -P windows_texts.cmake
file(READ ${SOURCE}/README.md readme)
string(REGEX MATCHALL "\n(\\|[^\n]*\n)+" tables "${readme}")
foreach(table IN LISTS tables)
    if(table MATCHES "!\\[")
        string(REPLACE "${table}" "" readme "${readme}")
    endif()
endforeach()
string(REGEX REPLACE "!?\\[([^]]*)\\]\\(([^):]*)\\)" "\\1" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${OUTPUT}/README.txt "${byte_order_mark}${readme}")

file(READ ${SOURCE}/LICENSE licence)
string(REPLACE "\n" "\r\n" licence "${licence}")
file(WRITE ${OUTPUT}/LICENSE.txt "${licence}")

foreach(command check-image.cmd extract-calibration.cmd)
    file(READ ${SOURCE}/res/${command} text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${OUTPUT}/${command} "${text}")
endforeach()
