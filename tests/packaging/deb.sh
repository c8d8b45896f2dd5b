#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields and
# contents, unpacks it with dpkg -x and runs the program from there; a C
# program links against the unpacked library through its pkg-config file.
. "$(dirname "$0")/lib.sh"
need dpkg dpkg-deb dpkg-shlibdeps pkg-config

out=$WORK/deb
fresh "$out"
"$CPACK" -G DEB -B "$out" --config "$BUILD_DIR/CPackConfig.cmake" > "$out/cpack.log" 2>&1 \
    || { cat "$out/cpack.log"; fail "cpack -G DEB failed"; }
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $out, found: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pointsieve ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$PROJECT_VERSION" ] || fail "package version is '$(field Version)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "package architecture is '$(field Architecture)'"
field Depends | grep -q 'libc6' || fail "Depends lacks the C library: '$(field Depends)'"
owners=$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)
[ "$owners" = root/root ] || fail "package files are owned by $owners, not root/root"

dpkg -x "$deb" "$out/root" || fail "dpkg -x failed"
[ "$(ls -A "$out/root")" = usr ] || fail "the package installs outside /usr: $(ls -A "$out/root")"
check_layout "$out/root/usr" static
check_usage "$out/root/usr/bin/Pointsieve"

export PKG_CONFIG_PATH=$out/root/usr/lib/pkgconfig
flags=$(pkg-config --cflags --libs Korvane_LiDAR) || fail "pkg-config does not find the packaged Korvane_LiDAR.pc"
version=$(pkg-config --modversion Korvane_LiDAR)
# shellcheck disable=SC2086
"$C_COMPILER" -DPACKAGE_VERSION="\"$version\"" -o "$out/consumer" "$SRC_DIR/tests/packaging/consumer/consumer.c" $flags \
    || fail "linking against the packaged library with '$flags' failed"
expect_output "Korvane_LiDAR $PROJECT_VERSION
LAS type 8" "$out/consumer" "$SRC_DIR/tests/data/simple.las"
echo "$(basename "$deb") unpacks and runs"
