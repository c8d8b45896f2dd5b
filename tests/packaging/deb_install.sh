#!/usr/bin/env bash
# Installs the three Debian packages that deb.sh built on this machine, as a
# user would; checks the installed programs and library with hardening-check;
# builds the C consumer through the CMake package and pkg-config, and the C
# and C++ examples, against /usr; then removes the packages again, also when
# a check fails. Needs root and a Release build without sanitizers, and
# skips without them.
. "$(dirname "$0")/lib.sh"
need apt-get dpkg-query hardening-check
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing the Debian packages needs root"
    exit 77
elif [ "$BUILD_TYPE" != Release ] || [ "$SANITIZED" = ON ]; then
    echo "skipped: only the packages of a Release build without sanitizers are hardened and loadable by any program"
    exit 77
fi

packages=("$DEB_PROGRAMS" "$DEB_RUNTIME" "$DEB_DEV")
remove() {
    apt-get purge -y -q -o DPkg::Lock::Timeout=600 "${packages[@]}" > "$WORK/deb/purge.log" 2>&1 \
        || { cat "$WORK/deb/purge.log"; fail "removing the packages failed"; }
    [ ! -e /usr/bin/Pointsieve ] && [ ! -e /usr/include/Korvane_LiDAR.h ] || fail "files remain after removal"
}
trap remove EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "$WORK"/deb/*.deb \
    > "$WORK/deb/install.log" 2>&1 || { cat "$WORK/deb/install.log"; fail "installing the packages failed"; }
for package in "${packages[@]}"; do
    version=$(dpkg-query -W -f '${Version}' "$package") || fail "$package is not installed"
    [ "$version" = "$PROJECT_VERSION" ] || fail "$package $version is installed, not $PROJECT_VERSION"
done

# Debian's hardening items, control-flow protection aside: Debian 12's
# dpkg-buildflags does not ask for it. Under Clang, Debian 12's C library
# fortifies none of the calls the code makes (its checked printf needs
# GCC's __builtin_va_arg_pack), so there the fortify item is left out too.
libdir=/usr/$(deb_libdir)
files=("$libdir/libKorvane_LiDAR.so.$PROJECT_VERSION")
for program in $(programs); do files+=("/usr/bin/$program"); done
options=(--nocfprotection)
[ "$CXX_COMPILER_ID" = GNU ] || options+=(--nofortify)
hardening-check "${options[@]}" "${files[@]}" || fail "hardening-check fails on the installed files"

check_usage /usr/bin/Pointsieve
check_slurm_example /usr
bash "$SRC_DIR/tests/packaging/consumers.sh" /usr installed_consumers

# The examples, C and C++, link the shared library of the package.
out=$WORK/deb_examples
fresh "$out"
warnings="-Wall -Wextra -Wpedantic -Werror"
configure_and_build "$SRC_DIR/examples" "$out/build" -DCMAKE_C_FLAGS="$warnings" -DCMAKE_CXX_FLAGS="$CXX_FLAGS $warnings"
cd "$out"
for example in write_tile_c write_tile_cpp; do
    # /lib may be a link to /usr/lib.
    ldd "build/$example" | grep -q "libKorvane_LiDAR.so.1 => \(/usr\)\?/$(deb_libdir)/libKorvane_LiDAR.so.1 " \
        || { ldd "build/$example"; fail "$example does not load the installed shared library"; }
    "build/$example" "$example.las" > "$example.out" || { cat "$example.out"; fail "$example failed"; }
    grep -q '^LAS type [68] (version 1.2, format [13])$' "$example.out" || { cat "$example.out"; fail "$example printed no LAS type"; }
done
echo "the packages install, pass hardening-check, and programs build against them"
