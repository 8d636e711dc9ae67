# A cached file that is missing, a folder or a FIFO is skipped silently (-v
# says why) and is no failure. An entry that cannot be saved (a folder name too
# long) is reported and makes the exit code 1, with -q too.
mkdir -p cache/FOLDER01.HTM && mkfifo cache/FIFO0001.HTM && printf ok >cache/M0000001.HTM
printf lost >cache/M0000002.HTM && n300=$(printf %300s | tr ' ' n)
index <<EOF2
MISSING1.GIF http://host/missing.gif
FOLDER01.HTM http://host/folder.htm
FIFO0001.HTM http://host/fifo.htm
M0000001.HTM http://host/ok.htm
M0000002.HTM http://host/$n300/x.htm
EOF2
{ talvex -p cache; talvex -p -v -q -overbose cache | grep -e "Can't" -e '^\[exit'
  talvex -p -q -oquiet cache; } | sed "s/$n300/N300/g"
tree TALVEX.OUT
