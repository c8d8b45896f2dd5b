#!/bin/sh
# Compares the dynamic symbols an executable or shared library defines with
# the names of an export list. Usage: check_exports.sh BINARY LIST
set -eu
binary=$1
list=$2
expected=$(grep -E '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*;' "$list" | tr -d ' ;' | sort)
# Not exports of ours: symbols the linker defines in every binary, and data
# of other libraries that a position-independent executable copies into
# itself: versioned names (libc's stdout@GLIBC_2.2.5) and, in sanitizer
# builds, the sanitizer runtime's variables.
actual=$(nm -D --defined-only "$binary" | awk '{print $3}' \
  | grep -v -E '^(_init|_fini|_edata|_end|__bss_start|_IO_stdin_used)$' \
  | grep -v -E '@|^__(asan|ubsan|lsan|sanitizer)_' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exported symbols differ from $list"
  echo "--- expected"; echo "$expected"
  echo "--- actual"; echo "$actual"
  exit 1
fi
echo "$(echo "$actual" | wc -l) symbols exported, as listed"
