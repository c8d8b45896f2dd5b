#!/usr/bin/env bash
# Builds the three Debian packages with CPack and checks their control
# fields and dependencies, the files each holds, the shared library's shlibs
# and trigger, and each package's changelog and copyright file. Unpacks them
# together with dpkg -x and runs the program from there. The packages stay
# in $WORK/deb for the tests that run lintian on them and install them.
. "$(dirname "$0")/lib.sh"
need dpkg dpkg-deb dpkg-shlibdeps dpkg-architecture dpkg-parsechangelog gzip

out=$WORK/deb
fresh "$out"
"$CPACK" -G DEB -B "$out" --config "$BUILD_DIR/CPackConfig.cmake" > "$out/cpack.log" 2>&1 \
    || { cat "$out/cpack.log"; fail "cpack -G DEB failed"; }
arch=$(dpkg --print-architecture)
expected=$(printf '%s\n' "$DEB_DEV" "$DEB_RUNTIME" "$DEB_PROGRAMS" | sed "s|\$|_${PROJECT_VERSION}_$arch.deb|" | sort)
actual=$(cd "$out" && ls -- *.deb | sort)
[ "$expected" = "$actual" ] || fail "expected the packages $(echo $expected), found: $(echo $actual)"

deb_of() { echo "$out/$1_${PROJECT_VERSION}_$arch.deb"; }
field() { dpkg-deb -f "$(deb_of "$1")" "$2"; }
for package in "$DEB_PROGRAMS" "$DEB_RUNTIME" "$DEB_DEV"; do
    deb=$(deb_of "$package")
    [ "$(field "$package" Package)" = "$package" ] || fail "$deb is named '$(field "$package" Package)'"
    [ "$(field "$package" Version)" = "$PROJECT_VERSION" ] || fail "$package has version '$(field "$package" Version)'"
    [ "$(field "$package" Architecture)" = "$arch" ] || fail "$package has architecture '$(field "$package" Architecture)'"
    owners=$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)
    [ "$owners" = root/root ] || fail "the files of $package are owned by $owners, not root/root"
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | file_list)
    if [ "$files" != "$(deb_files "$package")" ]; then
        echo "--- expected"; deb_files "$package"; echo "--- in $package"; echo "$files"
        fail "$package holds other files than expected"
    fi
done

# Dependencies: the programs and the shared library on what they link, found
# by dpkg-shlibdeps: the C library and the C++ runtime (GCC's, or LLVM's in
# a libc++ build); the development files on the shared library of the same
# version, which their link and CMake package name.
for package in "$DEB_PROGRAMS" "$DEB_RUNTIME"; do
    depends=$(field "$package" Depends)
    for lib in 'libc6' 'libstdc++6\|libc++1[-0-9]*'; do
        printf '%s\n' "$depends" | grep -q "\\b\\($lib\\) (" || fail "$package does not depend on $lib: '$depends'"
    done
done
[ "$(field "$DEB_DEV" Depends)" = "$DEB_RUNTIME (= $PROJECT_VERSION)" ] \
    || fail "$DEB_DEV depends on '$(field "$DEB_DEV" Depends)'"
[ "$(field "$DEB_RUNTIME" Section)" = libs ] && [ "$(field "$DEB_DEV" Section)" = libdevel ] \
    || fail "the library packages are in the sections $(field "$DEB_RUNTIME" Section) and $(field "$DEB_DEV" Section)"

# The shared library package tells programs built against it what to depend
# on, and updates the library cache through the ldconfig trigger alone.
control=$out/control
mkdir -p "$control"
dpkg-deb -e "$(deb_of "$DEB_RUNTIME")" "$control"
[ "$(cat "$control/shlibs")" = "libKorvane_LiDAR 1 $DEB_RUNTIME (>= $PROJECT_VERSION)" ] \
    || fail "shlibs of $DEB_RUNTIME: '$(cat "$control/shlibs")'"
[ "$(cat "$control/triggers")" = "activate-noawait ldconfig" ] || fail "triggers of $DEB_RUNTIME: '$(cat "$control/triggers")'"
for script in preinst postinst prerm postrm; do
    [ ! -e "$control/$script" ] || fail "$DEB_RUNTIME has a $script script"
done

for package in "$DEB_PROGRAMS" "$DEB_RUNTIME" "$DEB_DEV"; do
    dpkg -x "$(deb_of "$package")" "$out/root" || fail "dpkg -x $package failed"
done
[ "$(ls -A "$out/root")" = usr ] || fail "the packages install outside /usr: $(ls -A "$out/root")"
check_layout "$out/root/usr" deb
check_usage "$out/root/usr/bin/Pointsieve"
check_slurm_example "$out/root/usr"

for package in "$DEB_PROGRAMS" "$DEB_RUNTIME" "$DEB_DEV"; do
    # The changelog is in the Debian format, its latest entry the package's.
    doc=$out/root/usr/share/doc/$package
    gzip -dc "$doc/changelog.gz" > "$out/changelog" || fail "changelog.gz of $package is not gzip data"
    latest=$(dpkg-parsechangelog -l "$out/changelog" -S Version) || fail "dpkg-parsechangelog cannot read the changelog"
    [ "$latest" = "$PROJECT_VERSION" ] || fail "the latest changelog entry of $package is $latest, not $PROJECT_VERSION"

    # The copyright file carries the licence text of LICENSE, word for
    # word, in its stand-alone License paragraph.
    head -n 1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
        || fail "the copyright file of $package is not in the machine-readable format"
    awk 'text { sub(/^ /, ""); if ($0 == ".") $0 = ""; print } /^License: BSD-3-Clause$/ && ++n == 2 { text = 1 }' \
        "$doc/copyright" > "$out/licence"
    cmp -s "$out/licence" "$SRC_DIR/LICENSE" || { diff "$out/licence" "$SRC_DIR/LICENSE"; fail "the copyright file of $package does not carry LICENSE"; }
done
echo "$DEB_PROGRAMS, $DEB_RUNTIME and $DEB_DEV unpack and run"
