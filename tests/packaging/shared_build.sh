#!/usr/bin/env bash
# Configures, builds and installs the project once more with
# BUILD_SHARED_LIBS=ON, in a folder of its own below the build tree.
. "$(dirname "$0")/lib.sh"

out=$WORK/shared
mkdir -p "$out"
rm -rf "$out/tree"
configure_and_build "$SRC_DIR" "$out/build" -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release \
    -DPOINTSIEVE_BUILD_TESTS=OFF
"$CMAKE" --install "$out/build" --prefix "$out/tree" > "$out/install.log" || fail "installing the shared build failed"
echo "shared build installed in $out/tree"
