#!/usr/bin/env bash
# Files over 4 GiB: a sparse LAS 1.2 file of 215,000,000 point format 0
# records (4.3 GB, of which only the last three records hold non-zero bytes,
# so it costs almost no disk), counted in full by a build of the program, or
# its header recomputed by update_header.
#
# Usage:
#   big_file_check.sh count  DIR PROGRAM...   run PROGRAM... DIR/big.las
#   big_file_check.sh update DIR PROGRAM...   PROGRAM... DIR/big.las must
#                                             call update_header on the file
# PROGRAM... may start with an emulator (qemu-i386 -L ..., wine-run.sh ...).
# Prints the figures checked and the time taken; exits 1 on a wrong figure.
set -euo pipefail
mode=$1
dir=$2
shift 2
mkdir -p "$dir"
big=$dir/big.las
records=215000000

python3 - "$big" "$records" <<'PY'
import struct, sys
path, records = sys.argv[1], int(sys.argv[2])
header = struct.pack('<4sHHIHH8sBB32s32sHHHIIBHI5I12d',
    b'LASF', 0, 0, 0, 0, 0, bytes(8), 1, 2, b'big file check', b'pointsieve tests',
    1, 2024, 227, 227, 0, 0, 20, records, records, 0, 0, 0, 0,
    0.01, 0.01, 0.01, 0.0, 0.0, 0.0, 99.0, -5.0, 99.0, -5.0, 99.0, -5.0)
assert len(header) == 227
def point(v):  # X, Y, Z, intensity, return 1 of 1, class 2
    return struct.pack('<iiiHBBbBH', v, v, v, v, 0x09, 2, 0, 0, 0)
with open(path, 'wb') as f:
    f.write(header)
    f.truncate(227 + 20 * (records - 3))
    f.seek(0, 2)
    f.write(point(1000) + point(2000) + point(3000))
PY
size=$(stat -c %s "$big")
[ "$size" -eq $((227 + 20 * records)) ] || { echo "big.las has $size bytes"; exit 1; }
echo "big.las: $size bytes, $(du -k "$big" | cut -f1) KiB on disk"

start=$(date +%s.%N)
case $mode in
count)
  out=$("$@" "$big" | tr -d '\r')
  ;;
update)
  "$@" "$big" > /dev/null
  ;;
*)
  echo "unknown mode $mode"; exit 2 ;;
esac
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc)
status=0
if [ "$mode" = count ]; then
  for line in "Total points :    215000000" "1st Returns                      3" \
              "Return Class   0         214999997" "Return Class   2                 3"; do
    if grep -qF -- "$line" <<< "$out"; then echo "found: $line"; else echo "MISSING: $line"; status=1; fi
  done
  [ $status -eq 0 ] || echo "$out"
else
  # Count, points by return, and the extents of the records (zeros included).
  read -r count r1 r2 maxx minx maxz < <(python3 - "$big" <<'PY'
import struct, sys
h = open(sys.argv[1], 'rb').read(227)
count, = struct.unpack_from('<I', h, 107)
byret = struct.unpack_from('<5I', h, 111)
maxx, minx, maxy, miny, maxz, minz = struct.unpack_from('<6d', h, 179)
print(count, byret[0], byret[1], maxx, minx, maxz)
PY
)
  echo "header: count $count, 1st returns $r1, 2nd returns $r2, X $minx to $maxx, max Z $maxz"
  [ "$count" = 215000000 ] && [ "$r1" = 3 ] && [ "$r2" = 0 ] && [ "$maxx" = 30.0 ] && [ "$minx" = 0.0 ] \
    || { echo "wrong header figures"; status=1; }
fi
echo "$mode took $seconds s"
rm -f "$big"
exit $status
