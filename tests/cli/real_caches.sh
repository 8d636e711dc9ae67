# Caches as users bring them. The index is fat.db, else FAT.DB in any case (the
# first in byte order), else index.db in any case, which -v names; each index
# here names the cached file by a URL that is its own name. A cached file named
# in another case is found when it is the only one so named.
mkdir out
for set in 'fat.db FAT.DB index.db' 'FAT.DB index.db' 'Fat.Db FAT.DB' index.db INDEX.DB 'fat.db.bak index.dbx'; do
  dir=${set%% *} && mkdir "$dir" && printf page >"$dir/M0000001.HTM"
  for name in $set; do echo "M0000001.HTM http://host/$name" | index "$dir/$name"; done
  talvex -p -v "-oout/$dir" "$dir" | grep -e 'index file' -e "Can't open" -e '^\[exit'
done
mkdir -p cache/12 && printf flat >cache/M0000001.HTM && printf sub >cache/12/CACHEFILE01.GIF
printf one >cache/m0000002.htm && printf two >cache/M0000002.htm
index <<EOF2
m0000001.htm http://host/flat.htm
12/cacheFILE01.gif http://host/sub.gif
M0000002.HTM http://host/twice.htm
EOF2
talvex -p -v -oout/cache cache | grep -e "Can't open" -e '^\[exit'
cd out && show */host/*
