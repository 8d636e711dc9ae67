# Rescuing leaves every access time in the cache alone, the folder's too when it
# is listed to find a name the index gives in another letter case. It needs a
# tmpfs of its own (root) that updates access times on every read.
mkdir cache && mount -t tmpfs -o size=1m,strictatime tmpfs cache || exit 77
printf page >cache/m0000001.htm && echo 'M0000001.HTM http://host/page.htm' | index
touch -a -d @1000000 cache cache/*
talvex -p -q cache
stat -c '%n %X' cache cache/fat.db cache/m0000001.htm; show TALVEX.OUT/host/page.htm; umount cache
