#!/usr/bin/env bash
# lintian --pedantic reports no error, no warning and no hardening tag on
# any of the Debian packages that deb.sh built. Only Release builds are
# hardened, so the hardening tags count only for them.
. "$(dirname "$0")/lib.sh"
command -v lintian > /dev/null 2>&1 \
    || fail "lintian is not installed, so the Debian packages cannot be checked: apt-get install lintian"

debs=("$WORK"/deb/*.deb)
[ ${#debs[@]} -eq 3 ] && [ -f "${debs[0]}" ] || fail "expected three .deb files in $WORK/deb, found: ${debs[*]}"
status=0
# lintian leaves its databases in the temporary folder: keep them below WORK.
fresh "$WORK/lintian-tmp"
report=$(TMPDIR=$WORK/lintian-tmp lintian --pedantic --fail-on error,warning "${debs[@]}" 2>&1) || status=$?
hardening=hardening
[ "$BUILD_TYPE" = Release ] || hardening='^[EW]: '
if [ "$status" -ne 0 ] || printf '%s\n' "$report" | grep -q -e '^[EW]: ' -e "$hardening"; then
    printf '%s\n' "$report"
    fail "lintian finds errors, warnings or hardening tags (status $status)"
fi
echo "lintian --pedantic: no error, no warning and no hardening tag on $(cd "$WORK/deb" && echo *.deb)"
