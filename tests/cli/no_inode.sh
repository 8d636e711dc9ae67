# A creation that every entry would fail alike (no inode left) ends the run like
# a failed write, not with a pause per entry. It needs a tmpfs of its own (root).
mkdir -p cache TALVEX.OUT && printf one >cache/M0000001.HTM && printf two >cache/M0000002.HTM
index <<EOF2
M0000001.HTM http://host/one.htm
M0000002.HTM http://host/two.htm
EOF2
mount -t tmpfs -o size=1m,nr_inodes=3 tmpfs TALVEX.OUT || exit 77
mkdir TALVEX.OUT/host && : >TALVEX.OUT/taken
talvex -p -q cache
tree TALVEX.OUT; umount TALVEX.OUT
