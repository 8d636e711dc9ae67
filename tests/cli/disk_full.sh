# A write that fails (over the file size limit: in a chunk, or in a small file)
# ends the run with 254 and the entry's URL; nothing half-written stays.
mkdir cache && seq 100000 | head -c 100000 >cache/M0000001.BIN && printf after >cache/M0000002.HTM
index <<EOF2
M0000001.BIN http://host/big.bin 894000000 894000000
M0000002.HTM http://host/after.htm
EOF2
(ulimit -f 48 && talvex -p -q -obig cache)
truncate -s 2000 cache/M0000001.BIN && (ulimit -f 1 && talvex -p -q -osmall cache)
tree big && tree small
