#!/usr/bin/env bash
# Installs the build tree twice, with a relative --prefix and with DESTDIR,
# and checks that each tree holds exactly the expected files.
. "$(dirname "$0")/lib.sh"

fresh "$WORK/relative"
fresh "$WORK/destdir"

# A relative prefix is taken from the current folder.
(cd "$WORK/relative" && "$CMAKE" --install "$BUILD_DIR" --prefix tree > install.log) \
    || fail "cmake --install with a relative prefix failed"
check_layout "$WORK/relative/tree" static

# DESTDIR puts the /usr tree below a staging root, and nothing outside it.
DESTDIR="$WORK/destdir/root" "$CMAKE" --install "$BUILD_DIR" --prefix /usr > "$WORK/destdir/install.log" \
    || fail "cmake --install with DESTDIR failed"
[ "$(ls -A "$WORK/destdir/root")" = usr ] || fail "DESTDIR install wrote outside its prefix: $(ls -A "$WORK/destdir/root")"
check_layout "$WORK/destdir/root/usr" static
echo "both installed trees match the layout"
