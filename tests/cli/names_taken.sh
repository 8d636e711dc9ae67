# A name held by what is not a file that can be read (a folder, a link, a FIFO, a
# write-only file) is never emptied, followed or opened: the entry is saved as
# .Over0000, and a second run finds every entry saved.
mkdir -p cache TALVEX.OUT/host/folder && ln -s "$PWD/outside" TALVEX.OUT/host/link
mkfifo TALVEX.OUT/host/fifo && printf precious >TALVEX.OUT/host/locked && chmod 200 TALVEX.OUT/host/locked
n=0 && for name in folder link fifo locked; do
  n=$((n + 1)) && printf "new $name" >cache/M000000$n.HTM && echo "M000000$n.HTM http://host/$name"
done | index
talvex -p -q cache
talvex -p -q cache
[ ! -e outside ] || echo 'written through the link'
chmod 600 TALVEX.OUT/host/locked && tree TALVEX.OUT && show TALVEX.OUT/host/*.Over0000 TALVEX.OUT/host/locked
