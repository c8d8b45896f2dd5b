#!/bin/sh
# Runs a Windows program under Wine. Usage: wine-run.sh PREFIX PROGRAM [ARGS]
# The Wine prefix PREFIX is created on first use. Whoever finds no Wine
# server running for PREFIX starts one, and Wine's own services with it,
# with no output of the caller's: a server and services that the program
# started would hold the caller's pipes open until the server ends, and a
# test runner would count the whole time against the first test. Both steps
# are serialised so that tests started in parallel do not race to do them.
set -eu
prefix=$1
shift
WINEPREFIX=$prefix
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if command -v wine64 > /dev/null 2>&1; then
  wine=wine64
elif [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
else
  wine=wine
fi
if [ -x /usr/lib/wine/wineserver64 ]; then
  wineserver=/usr/lib/wine/wineserver64
else
  wineserver=wineserver
fi
mkdir -p "$prefix"
(
  flock 9
  # wineserver fails when a server already runs for this prefix.
  if "$wineserver" -p10 < /dev/null > /dev/null 2>&1 9>&-; then
    if [ -f "$prefix/system.reg" ]; then
      "$wine" wineboot < /dev/null > /dev/null 2>&1 9>&-
    else
      "$wine" wineboot --init < /dev/null > /dev/null 2>&1 9>&-
    fi
  fi
) 9> "$prefix.lock"
exec "$wine" "$@"
