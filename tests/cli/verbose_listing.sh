# -v lists every record from byte 4096 on, in index order, with its fields, even
# with -q; a record inside the header page is never listed.
mkdir cache
{ header; printf '\3\0\0'; record M0000001.HTM http://host/index.html 0 0 1 1
  record M0000002.GIF http://host/logo.gif 0 0 32 256; printf gap
  record M0000003.TXT ftp://files/readme.txt 0 0 256 4; } >cache/fat.db
record HEADER00.HTM http://hidden/ | dd of=cache/fat.db bs=1 seek=1000 conv=notrunc status=none
talvex -v -q cache
talvex -v -oloud cache | grep -e ^Type= -e '^\[exit'
