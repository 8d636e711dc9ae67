# An index that cannot be opened (none, a folder, a FIFO, a link that leads out
# of the cache dir, a file for the cache dir, no cache dir) ends the run with 255
# before anything is created; so does a cache dir too long to hold /fat.db in
# 4096 bytes, before the pause. An index too short to hold a record has none.
mkdir empty folder folder/fat.db fifo link work && index </dev/null && mkfifo fifo/fat.db
ln -s ../cache/fat.db link/fat.db && printf x >file
for dir in empty folder fifo link file nowhere; do (cd work && talvex -q "$OLDPWD/$dir"); done
d4088=/$(printf %4087s | tr ' ' d) r=$(printf %$((4089 - ${#PWD} - 6))s | tr ' ' r)
(cd work && talvex -q "${d4088}d"; talvex -q "$d4088"; talvex -q "$r") | sed "s|$d4088|D4088|; s|$r|R|"
for size in 0 100 4096 4100; do
  head -c $size /dev/zero | tr '\0' '\1' >cache/fat.db && talvex -q -v -owork/out$size cache
done
tree work
