#!/bin/sh
# Runs a Windows program under wine: the emulator of the Windows cross build.
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENT...]. PREFIX is the wine prefix
# (inside the build tree); wine makes it and starts its services on first use.
# Under a persistent wine server, start wine once before the tests, as .ci/run
# does: services started by a test would hold its output open.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# No installer dialogs for the .NET and HTML engines nobody here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
