# Content moved aside again (name_ to name__ when name_ is needed as a folder)
# or moved aside from an .Over name is still found, so a second run writes
# nothing: (a) b, then b/b_ moves b to b_, then b_/a/a_/b moves b_ to b__;
# (b) a/, then a (saved as a.Over0000), then a.Over0000/... moves it aside.
mkdir cache && printf X >cache/M0000001.HTM && printf Y >cache/M0000002.HTM
for order in 'b 1 b/b_ 2 b_/a/a_/b 1' 'a/ 1 a 1 a.Over0000/a/b/index.htm 2'; do
  set -- $order && rm -rf TALVEX.OUT
  printf 'M000000%s.HTM http://h.com/%s\n' $2 $1 $4 $3 $6 $5 | index
  for run in 1 2; do
    talvex -p -v cache | grep -e '^\[' -e Warning -e Already -e saving -e same -e Records
  done
  show $(find TALVEX.OUT -type f | sort)
done
