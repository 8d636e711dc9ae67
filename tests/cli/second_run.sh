# -v lists each entry with its times as it is saved; a second run finds every
# entry saved, writes nothing (the change time stays) and pauses only at the
# start and for the existing output dir.
mkdir cache && printf '<p>page</p>' >cache/M00000AA.HTM && printf GIF89a >cache/M00000BB.GIF
index <<EOF2
M00000AA.HTM http://host/a/page.html 973078528 973078783
M00000BB.GIF http://host/a/ 0 16
EOF2
talvex -p -v cache
changed=$(stat -c %z TALVEX.OUT/host/a/page.html)
talvex -p -v -q cache
[ "$(stat -c %z TALVEX.OUT/host/a/page.html)" = "$changed" ] || echo 'page.html was changed'
cd TALVEX.OUT && tree && stat -c '%n %Y' host/a/page.html && show host/a/*
