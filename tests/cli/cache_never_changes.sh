# The cache is evidence, and its author must not choose where output goes: an
# output dir that is the cache dir, one above it or one inside it, or that is
# reached through a link the cache holds, is refused with 255 before the pause.
# Each URL would move a file of the cache aside if written where the option points.
mkdir cache work victim && printf page | tee cache/M0000001.HTM cache/M0000002.HTM >cache/M0000003.HTM
index <<EOF2
M0000001.HTM http://fat.db/y
M0000002.HTM http://M0000001.HTM/y
M0000003.HTM http://cache/fat.db/y
EOF2
ln -s ../victim cache/TALVEX.OUT && ln -s ../victim cache/0 && ln -s ../cache/0 work/via
cksum cache/fat.db
cd work
for o in "-o$OLDPWD/cache" -o../cache/ -o.. -o/ -o../cache/out -o../cache/0/rescued -ovia/rescued; do
  talvex -p -q "$o" ../cache
done
cd ../cache && talvex -p -q . && cd ..
tree && show cache/*.HTM && cksum cache/fat.db
