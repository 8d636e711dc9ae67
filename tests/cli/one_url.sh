# One URL fetched many times: each content is saved once, under the first free
# name, and found again wherever it was saved, in this run and the next, which
# writes nothing (the folder's time stays). A cached file that several records
# name is saved under each URL once.
mkdir cache && printf shared >cache/M0000008.HTM
n=0 && { for content in A BB CC BB A DD CC; do
    n=$((n + 1)) && printf $content >cache/M000000$n.HTM && echo "M000000$n.HTM http://host/page"
  done
  printf 'M0000008.HTM http://host/%s\n' one.htm two.htm one.htm; } | index
talvex -p -q -v cache | grep -e saving -e Modification -e same -e '^\[exit'
touch -d @1000000 TALVEX.OUT/host
talvex -p -q -v cache | grep -e saving -e Modification -e same -e '^\[exit'
cd TALVEX.OUT && stat -c '%n %Y' host && tree && show host/*
