# What every case shares; tests/cli/run.sh sources it before the case.
export LC_ALL=C
# A pause whose standard error is no terminal writes its prompt as a whole line.
pause=$'press any key to continue, ESC to exit...\n'

# talvex ARGS: the binary, with no controlling terminal (so its pauses return at
# once) and a timeout. Its standard output passes unchanged; then a line gives
# its exit code and the number of pauses on its standard error, where anything
# else goes to the case's standard error. The exit code is captured after the
# standard error, which thus keeps its final newline.
talvex() {
  local err status rest
  { err=$(setsid -w timeout 20 "$TALVEX" "$@" </dev/null 2>&1 >&3; printf '|%s' $?); } 3>&1
  status=${err##*|} err=${err%|*} rest=${err//"$pause"/}
  echo "[exit $status, pauses $(((${#err} - ${#rest}) / ${#pause}))]"
  [ -z "$rest" ] || printf '%s' "$rest" >&2
}

# An index: the header page (never searched), then records.
header() { printf TALVEXDB; head -c 4088 /dev/zero; }
u32() {
  local bytes && printf -v bytes '\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24))
  printf "$bytes"
}
# record FILE URL [MTIME [ATIME [TYPE [URLTYPE]]]]
record() {
  u32 $((${#1} + 38)) && u32 "${5:-1}" && u32 "${3:-0}" && u32 "${4:-0}" && printf '\0%.0s' {1..17}
  printf %s "$1" && printf '\0%.0s' {1..5}
  u32 $((${#2} + 13)) && u32 "${6:-1}" && printf %s "$2" && printf '\0%.0s' {1..5}
}
# index [PATH]: an index (default cache/fat.db) of lines "FILE URL [MTIME [ATIME]]".
index() {
  mkdir -p "$(dirname "${1:-cache/fat.db}")"
  { header; while read -r file url times; do record "$file" "$url" $times; done; } >"${1:-cache/fat.db}"
}

# tree [DIR]: every folder (with a final /) and file below DIR, sorted.
tree() { find "${1:-.}" -mindepth 1 \( -type d -printf '%P/\n' -o -printf '%P\n' \) | sort; }
# show FILE...: each file's name and content.
show() { for f; do printf '%s: %s\n' "$f" "$(cat "$f" 2>/dev/null || echo '<missing>')"; done; }
