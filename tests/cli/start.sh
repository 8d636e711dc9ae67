# An index without records: the start and end lines, one pause, the output dir
# made; with -q only the pause; run again, the existing output dir is reported
# and paused on. The cache dir is shown resolved, with one final /.
index </dev/null
talvex "$PWD/cache"
talvex -q -oquiet cache
talvex -q cache
for dir in "$PWD/cache" "$PWD/cache/" cache cache/; do talvex -oout "$dir" | grep -e 'Cache dir' -e '^\[exit'; done
tree
