#!/usr/bin/env bash
# The public header compiles on its own, straight from the source tree: a C
# file that includes it alone, with only the header's folder on the include
# path and nothing of a build, compiles as strict C11 and sees the version
# macros. The folder holds that one header, so no internal header can be
# reached through it.
. "$(dirname "$0")/lib.sh"
need cc

include=$SRC_DIR/lidar/include
headers=$(cd "$include" && ls -A)
[ "$headers" = Korvane_LiDAR.h ] || fail "$include holds more than the public header: $headers"

out=$WORK/header_alone
fresh "$out"
IFS=. read -r major minor patch <<< "$PROJECT_VERSION"
(cd "$out" && cc -std=c11 -Wall -Wextra -Wpedantic -Werror -I "$include" \
    -DEXPECTED_MAJOR="$major" -DEXPECTED_MINOR="$minor" -DEXPECTED_PATCH="$patch" \
    -o header_alone "$SRC_DIR/tests/packaging/header_alone.c") \
    || fail "a C file including only Korvane_LiDAR.h does not compile"
expect_output "$PROJECT_VERSION $PROJECT_VERSION" "$out/header_alone"
echo "Korvane_LiDAR.h compiles alone and declares version $PROJECT_VERSION"
