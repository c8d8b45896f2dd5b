#!/usr/bin/env bash
# Pointsieve built as a subdirectory of another project: that project links
# the library target, and its `cmake --install` installs nothing of
# Pointsieve unless POINTSIEVE_INSTALL is set, and then the usual layout.
. "$(dirname "$0")/lib.sh"

out=$WORK/subdirectory
fresh "$out"
configure_and_build "$SRC_DIR/tests/packaging/parent" "$out/build" \
    -DPOINTSIEVE_SOURCE_DIR="$SRC_DIR" -DEXPECTED_VERSION="$PROJECT_VERSION" -DCMAKE_BUILD_TYPE=Release
expect_output "Korvane_LiDAR $PROJECT_VERSION
LAS type 8" "$out/build/parent_app" "$SRC_DIR/tests/data/simple.las"

"$CMAKE" --install "$out/build" --prefix "$out/default" > "$out/default.log" || fail "installing the parent failed"
installed=$(cd "$out/default" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
[ "$installed" = bin/parent_app ] || fail "the parent installed more than its program: $installed"

configure_and_build "$SRC_DIR/tests/packaging/parent" "$out/build" -DPOINTSIEVE_INSTALL=ON
"$CMAKE" --install "$out/build" --prefix "$out/asked" > "$out/asked.log" || fail "installing with POINTSIEVE_INSTALL=ON failed"
[ -x "$out/asked/bin/parent_app" ] || fail "the parent's own program is missing"
rm "$out/asked/bin/parent_app"
check_layout "$out/asked" static
echo "as a subdirectory, Pointsieve installs only when asked"
