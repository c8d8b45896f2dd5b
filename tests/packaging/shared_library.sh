#!/usr/bin/env bash
# The installed shared library: file layout, soname, and a dynamic symbol
# table holding exactly the twenty routines of the public header.
. "$(dirname "$0")/lib.sh"
need nm readelf

prefix=$WORK/shared/tree
check_layout "$prefix" shared
lib=$prefix/lib/libKorvane_LiDAR.so
[ "$(readlink "$lib")" = libKorvane_LiDAR.so.1 ] || fail "$lib does not link to libKorvane_LiDAR.so.1"
[ "$(readlink "$lib.1")" = "libKorvane_LiDAR.so.$PROJECT_VERSION" ] || fail "$lib.1 does not link to the versioned file"
readelf -d "$lib" | grep -q 'Library soname: \[libKorvane_LiDAR.so.1\]' || fail "$lib has no soname libKorvane_LiDAR.so.1"
sh "$SRC_DIR/tests/lidar/check_exports.sh" "$lib" "$SRC_DIR/lidar/exports.txt"
