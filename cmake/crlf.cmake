# Copies INPUT to OUTPUT with each line feed as CR LF, as Windows text readers expect.
file(READ ${INPUT} text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
