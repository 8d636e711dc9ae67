# Where the name holds other content (one byte differing is enough), the entry
# is saved as the first free .OverNNNN; run again, it is found there and nothing
# is added.
mkdir -p cache TALVEX.OUT/host && printf 'new content' >cache/M0000001.TXT
seq 100000 | head -c 40000 >cache/M0000002.BIN && { head -c 39999 cache/M0000002.BIN; printf x; } >TALVEX.OUT/host/big
printf 'old content' >TALVEX.OUT/host/f.txt && printf 'older content' >TALVEX.OUT/host/f.txt.Over0000
printf 'new content!' >TALVEX.OUT/host/f.txt.Over0001
index <<EOF2
M0000001.TXT http://host/f.txt
M0000002.BIN http://host/big
EOF2
talvex -p -q cache
talvex -p -q -v cache
cd TALVEX.OUT/host && cmp big big.Over0000
tree && show f.txt* && cmp big.Over0000 ../../cache/M0000002.BIN
