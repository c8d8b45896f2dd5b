#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields, its
# contents, its changelog and copyright file, unpacks it with dpkg -x and
# runs the program from there. The unpacked tree is left in $WORK/deb/root
# for the tests that build consumers against it and run lintian.
. "$(dirname "$0")/lib.sh"
need dpkg dpkg-deb dpkg-shlibdeps dpkg-architecture dpkg-parsechangelog gzip

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
check_layout "$out/root/usr" deb
check_usage "$out/root/usr/bin/Pointsieve"

# The changelog is in the Debian format, its latest entry the package's.
doc=$out/root/usr/share/doc/pointsieve
gzip -dc "$doc/changelog.gz" > "$out/changelog" || fail "changelog.gz is not gzip data"
latest=$(dpkg-parsechangelog -l "$out/changelog" -S Version) || fail "dpkg-parsechangelog cannot read the changelog"
[ "$latest" = "$PROJECT_VERSION" ] || fail "the latest changelog entry is $latest, not $PROJECT_VERSION"

# The copyright file carries the licence text of LICENSE, word for word,
# in its stand-alone License paragraph.
head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    || fail "the copyright file is not in the machine-readable format"
awk 'text { sub(/^ /, ""); if ($0 == ".") $0 = ""; print } /^License: BSD-3-Clause$/ && ++n == 2 { text = 1 }' \
    "$doc/copyright" > "$out/licence"
cmp -s "$out/licence" "$SRC_DIR/LICENSE" || { diff "$out/licence" "$SRC_DIR/LICENSE"; fail "the copyright file does not carry LICENSE"; }
echo "$(basename "$deb") unpacks and runs"
