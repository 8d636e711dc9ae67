#!/bin/sh
# Formats the man page with every warning on; any warning fails.
# Exits 77 (skipped) when neither groff nor man is installed.
page="$1"
if command -v groff >/dev/null 2>&1; then
  warnings=$(groff -man -ww -z "$page" 2>&1) || { echo "$warnings"; exit 1; }
elif command -v man >/dev/null 2>&1; then
  warnings=$(man --warnings -l "$page" 2>&1 >/dev/null) || { echo "$warnings"; exit 1; }
else
  echo "neither groff nor man is installed"
  exit 77
fi
if [ -n "$warnings" ]; then
  echo "$warnings"
  exit 1
fi
