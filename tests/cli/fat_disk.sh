# A FAT disk (a USB stick) takes the output: the partial file's name is legal
# there, names follow the Windows rules (said once with -v), and a second run
# finds everything saved although FAT keeps times in 2-second steps and cannot
# rename without replacing. Needs root, /dev/fuse and fusefat.
command -v fusefat >/dev/null && command -v mkfs.vfat >/dev/null || { echo no fusefat; exit 77; }
mkdir cache disk && printf one >cache/M0000001.HTM && printf two >cache/M0000002.HTM
printf three >cache/M0000003.HTM && printf four >cache/M0000004.HTM
index <<EOF2
M0000001.HTM http://host/nul.txt 894000001 894000001
M0000002.HTM http://host/trail. 894000001 894000001
M0000003.HTM http://host/q"uote 894000001 894000001
M0000004.HTM http://host/nul.txt 894000001 894000001
EOF2
truncate -s 8M disk.img && mkfs.vfat disk.img >/dev/null && fusefat -o rw+ disk.img disk >/dev/null 2>&1 ||
  { echo no fuse; exit 77; }
talvex -p -v -odisk/out cache | grep -v '^[A-Z][a-zA-Z]*=\|====\|^ \|^$'
talvex -p -q -odisk/out cache
talvex -p -odisk/out cache | grep Records
tree disk/out && show disk/out/host/* && stat -c '%Y %n' disk/out/host/%6eul.txt
fusermount -u disk 2>/dev/null || umount disk
