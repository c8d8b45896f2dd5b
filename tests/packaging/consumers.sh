#!/usr/bin/env bash
# A C program builds against an installed tree through the CMake package and
# through pkg-config, as strict C11 with warnings as errors, and runs. It
# prints the header's version, which must be the project's and the
# package's. Usage: consumers.sh PREFIX NAME [moved]
# With "moved", the tree is used where it lies, not at the prefix it was
# installed for: the CMake package locates itself, and pkg-config is given
# the tree as the prefix (--define-variable=prefix=PREFIX). Without it, the
# .pc file must name the tree's prefix.
. "$(dirname "$0")/lib.sh"
need pkg-config

prefix=$1
out=$WORK/$2
prefix_option=""
[ "${3:-}" != moved ] || prefix_option=--define-variable=prefix=$prefix
fresh "$out"
sample=$SRC_DIR/tests/data/simple.las
# The library folder is where the .pc file lies: lib/ or, in the Debian
# package, the multiarch folder below it.
pc_files=$(find "$prefix/lib" -name Korvane_LiDAR.pc)
[ "$(printf '%s\n' "$pc_files" | wc -l)" -eq 1 ] && [ -n "$pc_files" ] \
    || fail "expected one Korvane_LiDAR.pc below $prefix/lib, found: $pc_files"
libdir=$(dirname "$(dirname "$pc_files")")
# A shared library is found at run time through the library path.
export LD_LIBRARY_PATH=$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}

configure_and_build "$SRC_DIR/tests/packaging/consumer" "$out/cmake" -DCMAKE_PREFIX_PATH="$prefix"
expected="Korvane_LiDAR $PROJECT_VERSION
LAS type 8"
expect_output "$expected" "$out/cmake/consumer" "$sample"

export PKG_CONFIG_PATH=$libdir/pkgconfig
version=$(pkg-config --modversion Korvane_LiDAR) || fail "pkg-config does not find Korvane_LiDAR"
[ "$version" = "$PROJECT_VERSION" ] || fail "pkg-config reports version $version, not $PROJECT_VERSION"
# Paths relative to ${prefix}, as .pc files usually have them.
for variable in libdir includedir; do
    case $(pkg-config --variable=$variable Korvane_LiDAR) in
        "$(pkg-config --variable=prefix Korvane_LiDAR)"/*) ;;
        *) fail "$variable is not below the prefix in $libdir/pkgconfig/Korvane_LiDAR.pc" ;;
    esac
done
grep -q '^libdir=${prefix}/' "$libdir/pkgconfig/Korvane_LiDAR.pc" \
    && grep -q '^includedir=${prefix}/' "$libdir/pkgconfig/Korvane_LiDAR.pc" \
    || fail "the .pc file does not name its folders relative to \${prefix}"
# shellcheck disable=SC2086
flags=$(pkg-config $prefix_option --cflags --libs Korvane_LiDAR)
# shellcheck disable=SC2086
"$C_COMPILER" -std=c11 -Wall -Wextra -Wpedantic -Werror -DPACKAGE_VERSION="\"$version\"" \
    -o "$out/pkg-config-consumer" "$SRC_DIR/tests/packaging/consumer/consumer.c" $flags \
    || fail "building with pkg-config flags '$flags' failed"
expect_output "$expected" "$out/pkg-config-consumer" "$sample"

# The static archive, where the tree has one, linked by its path: -l would
# take the shared library where both lie in one folder, even with
# pkg-config --static. The C++ driver adds the C++ runtime the archive needs.
# shellcheck disable=SC2086
archive=$(pkg-config $prefix_option --variable=libdir Korvane_LiDAR)/libKorvane_LiDAR.a
if [ -f "$archive" ]; then
    # shellcheck disable=SC2046,SC2086
    "$C_COMPILER" -std=c11 -Wall -Wextra -Wpedantic -Werror -DPACKAGE_VERSION="\"$version\"" -c \
        -o "$out/static-consumer.o" "$SRC_DIR/tests/packaging/consumer/consumer.c" \
        $(pkg-config $prefix_option --cflags Korvane_LiDAR) || fail "compiling the static consumer failed"
    # shellcheck disable=SC2046,SC2086
    "$CXX_COMPILER" $CXX_FLAGS $EXE_LINKER_FLAGS -o "$out/static-consumer" "$out/static-consumer.o" "$archive" \
        $(pkg-config $prefix_option --libs-only-other Korvane_LiDAR) || fail "linking $archive failed"
    ! ldd "$out/static-consumer" | grep -q libKorvane_LiDAR || fail "the static consumer loads the shared library"
    expect_output "$expected" "$out/static-consumer" "$sample"
fi
echo "consumers built through find_package and pkg-config against $prefix"
