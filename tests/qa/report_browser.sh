#!/usr/bin/env bash
# The report of the generated delivery in a real browser: writes the
# delivery, audits it, and checks report.html in headless Chromium
# (report_browser.mjs). Skips (77) without Node.js or Chromium.
#
#   report_browser.sh QA_MAKE_DELIVERY POINTSIEVE_QA WORKDIR [--screenshot PNG]
#
# With --screenshot it also saves the top of the page down to the map: the
# picture in docs/ is made this way.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -eq 3 ] || [ $# -eq 5 ] || { echo "usage: $0 QA_MAKE_DELIVERY POINTSIEVE_QA WORKDIR [--screenshot PNG]" >&2; exit 2; }
make_delivery=$(realpath "$1") qa=$(realpath "$2") work=$3
shift 3
[ $# -eq 0 ] || set -- "$1" "$(realpath -m "$2")"
command -v node >/dev/null || { echo "SKIP: no node (apt-get install nodejs)"; exit 77; }
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || { echo "SKIP: no Chromium (apt-get install chromium)"; exit 77; }

rm -rf "$work"
mkdir -p "$work"
cd "$work"
"$make_delivery" delivery >/dev/null
# The check also gets a name that HTML and CSV must escape, with a byte that
# is not UTF-8 (a copy of a tile, so a duplicate); the picture keeps to the
# generated delivery.
if [ $# -eq 0 ]; then
  first=$(find delivery -name '*.las' -size +1k | LC_ALL=C sort | head -n 1)
  cp "$first" "$(dirname "$first")/odd <&\"'>, name$(printf '\377').las"
fi
# From inside WORKDIR, so that the tiles are named delivery/...
status=0
"$qa" -o out delivery >stdout 2>stderr || status=$?
# The delivery holds defects: the audit completes with findings.
if [ "$status" -ne 1 ]; then
  echo "FAIL: Pointsieve-qa exited with $status, not 1"; cat stderr; exit 1
fi
exec node "$here/report_browser.mjs" out --tmp . "$@"
