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

# The programs the project installs: Pointsieve, and Pointsieve-merge and
# Pointsieve-qa where their manual pages are in the source tree.
programs() {
    echo Pointsieve
    [ ! -f "$SRC_DIR/docs/Pointsieve-merge.1" ] || echo Pointsieve-merge
    [ ! -f "$SRC_DIR/docs/Pointsieve-qa.1" ] || echo Pointsieve-qa
}

# The Debian package names and the multiarch library folder.
DEB_PROGRAMS=pointsieve
DEB_RUNTIME=libkorvane-lidar${PROJECT_VERSION%%.*}
DEB_DEV=libkorvane-lidar-dev
deb_libdir() {
    local multiarch
    multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH) || fail "dpkg-architecture failed"
    echo "lib/$multiarch"
}

# cmake_package_files LIBDIR: the files of the CMake package; the
# per-configuration targets file is named after the build type, shown as
# CONFIG.
cmake_package_files() {
    printf "$1/cmake/Korvane_LiDAR/%s\n" Korvane_LiDARConfig.cmake Korvane_LiDARConfigVersion.cmake \
        Korvane_LiDARTargets.cmake Korvane_LiDARTargets-CONFIG.cmake
}

# deb_files PACKAGE: the files and links one Debian package installs below
# /usr, sorted.
deb_files() {
    local libdir program
    libdir=$(deb_libdir)
    {
        printf "share/doc/$1/%s\n" changelog.gz copyright
        case $1 in
            "$DEB_PROGRAMS")
                for program in $(programs); do
                    echo "bin/$program"
                    echo "share/man/man1/$program.1.gz"
                done
                printf 'share/doc/pointsieve/examples/%s\n' CMakeLists.txt summarise_tiles.sh write_tile.c write_tile.cpp \
                    slurm/summarise_archive.sh ;;
            "$DEB_RUNTIME")
                printf "$libdir/%s\n" libKorvane_LiDAR.so.1 "libKorvane_LiDAR.so.$PROJECT_VERSION" ;;
            "$DEB_DEV")
                printf '%s\n' include/Korvane_LiDAR.h "$libdir/libKorvane_LiDAR.so" "$libdir/libKorvane_LiDAR.a" \
                    "$libdir/pkgconfig/Korvane_LiDAR.pc"
                cmake_package_files "$libdir" ;;
        esac
    } | sort
}

# file_list: the names on standard input, sorted, with the per-configuration
# targets file shown as in cmake_package_files.
file_list() {
    sed 's|Targets-[a-z]*\.cmake$|Targets-CONFIG.cmake|' | sort
}

# tree_files PREFIX: the files and links below PREFIX.
tree_files() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | file_list)
}

# check_layout PREFIX static|shared|deb: the installed tree holds exactly the
# expected files, and the header and the man pages are the project's own. An
# installed tree keeps the library in lib/; the Debian packages, unpacked
# together, put it in the multiarch folder, compress the man pages and add
# their documentation.
check_layout() {
    local prefix=$1 libdir=lib expected actual program man package
    [ -d "$prefix" ] || fail "no installed tree at $prefix"
    case $2 in
        deb)
            expected=$(for package in "$DEB_PROGRAMS" "$DEB_RUNTIME" "$DEB_DEV"; do deb_files "$package"; done | sort) ;;
        *)
            expected=$(
                for program in $(programs); do
                    echo "bin/$program"
                    echo "share/man/man1/$program.1"
                done
                echo include/Korvane_LiDAR.h
                if [ "$2" = shared ]; then
                    printf "$libdir/%s\n" libKorvane_LiDAR.so libKorvane_LiDAR.so.1 "libKorvane_LiDAR.so.$PROJECT_VERSION"
                else
                    echo "$libdir/libKorvane_LiDAR.a"
                fi
                echo "$libdir/pkgconfig/Korvane_LiDAR.pc"
                cmake_package_files "$libdir"
            ) ;;
    esac
    expected=$(printf '%s\n' "$expected" | sort)
    actual=$(tree_files "$prefix")
    if [ "$expected" != "$actual" ]; then
        echo "--- expected"; echo "$expected"; echo "--- installed in $prefix"; echo "$actual"
        fail "installed files differ from the layout"
    fi
    cmp -s "$prefix/include/Korvane_LiDAR.h" "$SRC_DIR/lidar/include/Korvane_LiDAR.h" || fail "installed header differs"
    for program in $(programs); do
        [ -x "$prefix/bin/$program" ] || fail "$prefix/bin/$program is not executable"
        man=$prefix/share/man/man1/$program.1
        if [ "$2" = deb ]; then
            gzip -dc "$man.gz" | cmp -s - "$SRC_DIR/docs/$program.1" || fail "installed man page of $program differs"
        else
            cmp -s "$man" "$SRC_DIR/docs/$program.1" || fail "installed man page of $program differs"
        fi
    done
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

# check_slurm_example PREFIX: the Slurm example installed with the program
# package answers --help with its usage line.
check_slurm_example() {
    local out
    out=$(bash "$1/share/doc/$DEB_PROGRAMS/examples/slurm/summarise_archive.sh" --help) \
        || fail "the installed Slurm example's --help ended with status $?"
    [ "$out" = "usage: summarise_archive.sh LIST SHARDS WORK [-d]" ] || fail "the installed Slurm example prints '$out'"
}

# configure_and_build SOURCE BINARY ARGS...: a small CMake project of the
# tests or the examples, with the compilers of the main build and its C++
# and link flags (-stdlib=libc++ in a libc++ build); ARGS come after them,
# so a project that sets CMAKE_CXX_FLAGS itself starts from $CXX_FLAGS.
configure_and_build() {
    local src=$1 bin=$2
    shift 2
    "$CMAKE" -S "$src" -B "$bin" -G "$GENERATOR" -DCMAKE_MAKE_PROGRAM="$MAKE_PROGRAM" \
        -DCMAKE_C_COMPILER="$C_COMPILER" -DCMAKE_CXX_COMPILER="$CXX_COMPILER" -DCMAKE_CXX_FLAGS="$CXX_FLAGS" \
        -DCMAKE_EXE_LINKER_FLAGS="$EXE_LINKER_FLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$SHARED_LINKER_FLAGS" \
        "$@" > "$bin.configure.log" 2>&1 \
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
