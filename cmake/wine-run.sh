#!/bin/sh
# Runs a Windows program under wine: the emulator of the Windows cross build.
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENT...]. PREFIX is the wine prefix
# (inside the build tree); it is made on first use.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# No installer dialogs for the .NET and HTML engines nobody here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
fi
exec /usr/lib/wine/wine64 "$@"
