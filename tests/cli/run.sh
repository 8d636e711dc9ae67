#!/bin/sh
# Runs one black-box case. A case is tests/cli/NAME.sh, a few lines of bash run in
# a fresh scratch directory after common.sh; its standard output, standard error
# and exit status must equal NAME.out, NAME.err and NAME.exit (an absent file
# means empty, or 0; a case that exits 77 is skipped). There the scratch path reads
# @SCRATCH@ and the version @VERSION@. To add a case, write NAME.sh, run
# `UPDATE=1 ctest --test-dir build -R cli/NAME` to write its expected files, and read
# them. KEEP_TEST_DIRS=1 keeps the scratch directory.
# Usage (CTest runs every case so, as cli/NAME): TALVEX=BINARY TALVEX_VERSION=X run.sh NAME
set -u
cases=$(cd "$(dirname "$0")" && pwd)
name=$1
TALVEX=$(cd "$(dirname "$TALVEX")" && pwd)/$(basename "$TALVEX") && export TALVEX
work=$(mktemp -d "${TMPDIR:-/tmp}/talvex-cli-XXXXXX") && work=$(cd "$work" && pwd -P) || exit 1
mkdir "$work/scratch"
(cd "$work/scratch" && exec bash -c '. "$0" && . "$1"' "$cases/common.sh" "$cases/$name.sh") \
  >"$work/out" 2>"$work/err"
echo $? >"$work/exit"

literal() { printf '%s\n' "$1" | sed 's/[][\.*^$|]/\\&/g'; }
failed=0
[ "$(cat "$work/exit")" = 77 ] && echo "skipped: $(cat "$work/err")" && failed=77
for kind in out err exit; do
  [ $failed = 77 ] && break
  expected=$cases/$name.$kind
  sed -e "s|$(literal "$work/scratch")|@SCRATCH@|g" \
      -e "s|^  Version $(literal "$TALVEX_VERSION") (|  Version @VERSION@ (|" \
      "$work/$kind" >"$work/$kind.actual"
  if [ -n "${UPDATE:-}" ]; then
    if [ -s "$work/$kind.actual" ] && [ "$kind.$(cat "$work/$kind.actual")" != exit.0 ]; then
      cp "$work/$kind.actual" "$expected"
    else
      rm -f "$expected"
    fi
  elif ! { if [ -f "$expected" ]; then cat "$expected"; elif [ $kind = exit ]; then echo 0; fi; } |
      diff -u --text --label "$name.$kind" --label actual - "$work/$kind.actual" >"$work/diff"; then
    cat -v "$work/diff" && failed=1
  fi
done
if [ -n "${KEEP_TEST_DIRS:-}" ]; then
  echo "kept $work"
else
  chmod -R u+rwX "$work" 2>/dev/null
  rm -rf "$work"
fi
exit $failed
