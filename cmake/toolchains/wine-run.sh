#!/bin/sh
# Runs a Windows program under Wine. Usage: wine-run.sh PREFIX PROGRAM [ARGS]
# The Wine prefix PREFIX is created on first use; its creation is serialised
# so that tests started in parallel do not race to set it up.
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
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    [ -f "$prefix/system.reg" ] || "$wine" wineboot --init > /dev/null 2>&1
  ) 9> "$prefix.lock"
fi
exec "$wine" "$@"
