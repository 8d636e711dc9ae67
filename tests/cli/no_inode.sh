# A creation that every entry would fail alike ends the run like a failed write,
# not with a pause per entry: no inode left for the file or for a folder, a
# read-only disk. It needs a tmpfs of its own (root). A low open-file limit is
# no such failure: every entry is saved.
mkdir -p cache out && printf one >cache/M0000001.HTM && printf two >cache/M0000002.HTM
index <<EOF2
M0000001.HTM http://host/one.htm
M0000002.HTM http://host/two.htm
EOF2
mount -t tmpfs -o size=1m,nr_inodes=3 tmpfs out || exit 77
for case in "file host" "folder taken"; do
  set -- $case && mkdir out/$1 && : >out/$2
  talvex -p -q -oout/$1 cache
  tree out && rm -r out/*
done
mount -o remount,ro,nr_inodes=100 out && talvex -p -q -oout cache && umount out
for i in $(seq 40); do printf "$i" >cache/M10$i.HTM && echo "M10$i.HTM http://h$((i % 5))/d$i/$i.htm"; done | index
(ulimit -n 16 && talvex -p -oopen cache | grep Records)
