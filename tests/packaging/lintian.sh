#!/usr/bin/env bash
# lintian reports no error and no warning on the Debian package that deb.sh
# built.
. "$(dirname "$0")/lib.sh"
command -v lintian > /dev/null 2>&1 \
    || fail "lintian is not installed, so the Debian package cannot be checked: apt-get install lintian"

debs=("$WORK"/deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $WORK/deb, found: ${debs[*]}"
status=0
report=$(lintian --fail-on error,warning "${debs[0]}" 2>&1) || status=$?
if [ "$status" -ne 0 ] || printf '%s\n' "$report" | grep -q '^[EW]: '; then
    printf '%s\n' "$report"
    fail "lintian finds errors or warnings in $(basename "${debs[0]}") (status $status)"
fi
echo "lintian: no error and no warning on $(basename "${debs[0]}")"
