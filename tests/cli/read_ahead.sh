# The next cached files are opened by a second thread only with a second
# processor to run on and an open-file limit of 256 or more; the rescue and what
# it says are the same either way, and so are its report and its web archive
# (the thread reads the smaller files into memory and hashes them; a larger one
# is hashed as it is copied, and read twice for the archive). The archive is
# written by a thread of its own, also only with a second processor.
command -v strace >/dev/null && command -v taskset >/dev/null || { echo no strace; exit 77; }
[ "$(nproc)" -ge 2 ] || { echo one processor; exit 77; }
mkdir cache && for i in $(seq 40); do
  printf "$i" >cache/M10$i.HTM && echo "M10$i.HTM http://h$((i % 3))/$i.htm 100 200"; done >list
seq 60000 >cache/M1000.HTM && echo "M1000.HTM http://h/big.htm 100 200" >>list && index <list
threads() {  # threads NAME COMMAND...: a rescue into NAME, its log in NAME.log
  local name=$1 && shift
  ASAN_OPTIONS=detect_leaks=0 timeout 20 strace -f -qq -e trace=clone,clone3 -o trace "$@" \
    -p -q -o"$name" --report="$name.jsonl" --warc="$name.warc" cache </dev/null >"$name.log" 2>&1
  echo "$name: $(grep -c clone trace) thread(s) besides the main one"
}
threads two "$TALVEX"
threads one taskset -c 0 "$TALVEX"
(ulimit -n 255 && threads few "$TALVEX")
normal() { python3 "$TALVEX_SOURCE/tests/warc/check_warc.py" --normalise "$1"; }
for run in one few; do
  cmp two.log $run.log && diff -r two $run && cmp two.jsonl $run.jsonl
  cmp <(normal two.warc) <(normal $run.warc)
done
grep -c '"sha256": "[0-9a-f]\{64\}"' two.jsonl
tree two | wc -l
