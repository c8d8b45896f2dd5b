# Helpers of the packaging tests, sourced by each script. The tests get their
# settings from the environment (see CMakeLists.txt) and write only below
# $WORK, inside the build tree.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" > /dev/null 2>&1 || fail "required tool '$tool' is not installed"
    done
}

# fresh DIR: an empty directory below $WORK.
fresh() {
    case $1 in "$WORK"/*) ;; *) fail "refusing to clear $1 outside $WORK" ;; esac
    rm -rf "$1"
    mkdir -p "$1"
}

# check_layout PREFIX static|shared|deb: the installed tree holds exactly the
# expected files, and the header and the man page are the project's own. An
# installed tree keeps the library in lib/; the Debian package puts it in the
# multiarch folder, compresses the man page and adds its documentation.
check_layout() {
    local prefix=$1 libdir=lib man=share/man/man1/Pointsieve.1 libs docs="" expected actual
    [ -d "$prefix" ] || fail "no installed tree at $prefix"
    case $2 in
        shared)
            libs="$libdir/libKorvane_LiDAR.so $libdir/libKorvane_LiDAR.so.1 $libdir/libKorvane_LiDAR.so.$PROJECT_VERSION" ;;
        deb)
            libdir=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH) || fail "dpkg-architecture failed"
            man=$man.gz
            docs="share/doc/pointsieve/changelog.gz share/doc/pointsieve/copyright"
            libs=$libdir/libKorvane_LiDAR.a ;;
        *)
            libs=$libdir/libKorvane_LiDAR.a ;;
    esac
    # shellcheck disable=SC2086
    expected=$(printf '%s\n' bin/Pointsieve include/Korvane_LiDAR.h $libs \
        $libdir/cmake/Korvane_LiDAR/Korvane_LiDARConfig.cmake \
        $libdir/cmake/Korvane_LiDAR/Korvane_LiDARConfigVersion.cmake \
        $libdir/cmake/Korvane_LiDAR/Korvane_LiDARTargets.cmake \
        $libdir/cmake/Korvane_LiDAR/Korvane_LiDARTargets-CONFIG.cmake \
        $libdir/pkgconfig/Korvane_LiDAR.pc $man $docs | sort)
    # The per-configuration targets file is named after the build type.
    actual=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' \
        | sed 's|Targets-[a-z]*\.cmake$|Targets-CONFIG.cmake|' | sort)
    if [ "$expected" != "$actual" ]; then
        echo "--- expected"; echo "$expected"; echo "--- installed in $prefix"; echo "$actual"
        fail "installed files differ from the layout"
    fi
    [ -x "$prefix/bin/Pointsieve" ] || fail "$prefix/bin/Pointsieve is not executable"
    cmp -s "$prefix/include/Korvane_LiDAR.h" "$SRC_DIR/lidar/include/Korvane_LiDAR.h" || fail "installed header differs"
    case $man in
        *.gz) gzip -dc "$prefix/$man" | cmp -s - "$SRC_DIR/docs/Pointsieve.1" || fail "installed man page differs" ;;
        *) cmp -s "$prefix/$man" "$SRC_DIR/docs/Pointsieve.1" || fail "installed man page differs" ;;
    esac
}

# check_usage PROGRAM: "PROGRAM -h" and "PROGRAM --help" print the usage
# text, then the banner, and "PROGRAM --version" the project's version; each
# ends with status 0.
check_usage() {
    local status=0 out expected option
    expected=$(printf '%s\n' '' 'Usage:' 'Pointsieve -h' 'Pointsieve <LAS File | ASCII List> <Options>' \
        '          Options: -d Detailed Report' \
        '                   -s Save report to LASFile_stats.asc | LASList_stats.asc' '' '' \
        'Korvane LiDAR Utilities')
    for option in -h --help; do
        out=$("$1" $option) || status=$?
        [ "$status" -eq 0 ] || fail "$1 $option ended with status $status"
        if [ "$(printf '%s\n' "$out" | head -n 9)" != "$expected" ]; then
            echo "--- output of $1 $option"; printf '%s\n' "$out"
            fail "$1 $option does not print the usage text"
        fi
    done
    out=$("$1" --version) || fail "$1 --version ended with status $?"
    [ "$(printf '%s\n' "$out" | head -n 1)" = "Pointsieve $PROJECT_VERSION" ] \
        || fail "$1 --version prints '$out', not version $PROJECT_VERSION first"
}

# configure_and_build SOURCE BINARY ARGS...: a small CMake project of the
# tests or the examples, with the compilers of the main build.
configure_and_build() {
    local src=$1 bin=$2
    shift 2
    "$CMAKE" -S "$src" -B "$bin" -G "$GENERATOR" -DCMAKE_MAKE_PROGRAM="$MAKE_PROGRAM" \
        -DCMAKE_C_COMPILER="$C_COMPILER" -DCMAKE_CXX_COMPILER="$CXX_COMPILER" "$@" > "$bin.configure.log" 2>&1 \
        || { cat "$bin.configure.log"; fail "configuring $src failed"; }
    "$CMAKE" --build "$bin" > "$bin.build.log" 2>&1 || { cat "$bin.build.log"; fail "building $src failed"; }
}

# expect_output EXPECTED COMMAND...: runs the command, which must succeed and
# print exactly EXPECTED (carriage returns read as line breaks).
expect_output() {
    local expected=$1 status=0 out
    shift
    out=$("$@" | tr '\r' '\n') || status=$?
    [ "$status" -eq 0 ] || { printf '%s\n' "$out"; fail "$* ended with status $status"; }
    if [ "$out" != "$expected" ]; then
        echo "--- expected"; printf '%s\n' "$expected"; echo "--- got"; printf '%s\n' "$out"
        fail "unexpected output from $*"
    fi
}
