# Writes the texts of the Windows zip: README.txt, the Russian note for the Windows user, from
# res/README.txt, and LICENSE.txt from LICENSE, with CRLF line ends, and a byte-order mark on the
# README, so that Notepad shows the Russian there even on Windows XP.
#   cmake -DSOURCE=<tree> -DOUTPUT=<folder> -P windows_texts.cmake
file(READ ${SOURCE}/res/README.txt readme)
string(REPLACE "\n" "\r\n" readme "${readme}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${OUTPUT}/README.txt "${byte_order_mark}${readme}")

file(READ ${SOURCE}/LICENSE licence)
string(REPLACE "\n" "\r\n" licence "${licence}")
file(WRITE ${OUTPUT}/LICENSE.txt "${licence}")
