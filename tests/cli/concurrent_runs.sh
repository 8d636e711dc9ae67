# Two runs into one output: run a is held inside its copy (strace delays the
# copy's first call) with its partial file made (without a name: no other run
# sees it), while run b saves into the same folder. b never touches a's partial
# file; a then finds its name taken by other content and gives its copy the name
# .Over0000. Both whole, both exit 0, nothing left over.
# (A sanitizer build cannot check for leaks under strace: that check is off for a.)
command -v strace >/dev/null || { echo no strace; exit 77; }
mkdir a b && printf 'from a' >a/M0000001.HTM && printf 'from b' >b/M0000001.HTM && printf bee >b/M0000002.HTM
printf 'M0000001.HTM http://h/page\n' | index a/fat.db
printf 'M0000001.HTM http://h/page\nM0000002.HTM http://h/other\n' | index b/fat.db
mkdir -p out/h
ASAN_OPTIONS=detect_leaks=0 setsid -w timeout 20 strace -f -qq -o /dev/null -e trace=sendfile -e inject=sendfile:delay_enter=2000000 \
  "$TALVEX" -p -q -oout a </dev/null >a.log 2>&1 &
for i in $(seq 100); do ls -l /proc/[0-9]*/fd 2>/dev/null | grep -q "$PWD/out/h/" && break; sleep 0.05; done
ls -A out/h
talvex -p -q -oout b
wait $! && echo "a: exit $?" && grep -v "^press\|can't create DIR" a.log
tree out && show out/h/*
