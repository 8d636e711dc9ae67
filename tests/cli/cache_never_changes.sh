# The cache is evidence: an output dir that is the cache dir or one above it is
# refused with 255 before the pause; one inside it is fine. Each URL would move
# a file of the cache aside if written where the option points.
mkdir cache work && printf page | tee cache/M0000001.HTM cache/M0000002.HTM >cache/M0000003.HTM
index <<EOF2
M0000001.HTM http://fat.db/y
M0000002.HTM http://M0000001.HTM/y
M0000003.HTM http://cache/fat.db/y
EOF2
cksum cache/fat.db
cd work
for o in "-o$OLDPWD/cache" -o../cache/ -o.. -o/ -o../cache/out; do talvex -p -q "$o" ../cache; done
cd .. && tree && show cache/*.HTM cache/out/fat.db/y && cksum cache/fat.db
