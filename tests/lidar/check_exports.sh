#!/bin/sh
# Compares the symbols an executable or shared library exports with the
# names of an export list. Usage: check_exports.sh BINARY LIST
# ELF binaries are read with nm (or $NM), Windows PE binaries (.exe, .dll)
# with objdump -p (or $OBJDUMP), which prints the export table.
set -eu
binary=$1
list=$2
nm=${NM:-nm}
objdump=${OBJDUMP:-objdump}
# The list: one name a line; '#' starts a comment; linker-list punctuation
# (a trailing ';') is ignored.
expected=$(sed 's/#.*//' "$list" | tr -d ' \t;' | grep -E '^[A-Za-z_][A-Za-z0-9_]*$' | sort)
case $binary in
*.exe | *.dll | *.EXE | *.DLL)
  actual=$("$objdump" -p "$binary" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
    table && /^[[:space:]]*\[[[:space:]]*[0-9]+\]/ { sub(/^[^]]*\][[:space:]]*/, ""); print; next }
    table { table = 0 }' | sort)
  ;;
*)
  # Not exports of ours: symbols the linker defines in every binary, and
  # data of other libraries that a position-independent executable copies
  # into itself: versioned names (libc's stdout@GLIBC_2.2.5) and, in
  # sanitizer builds, the sanitizer runtime's variables.
  actual=$("$nm" -D --defined-only "$binary" | awk '{print $3}' \
    | grep -v -E '^(_init|_fini|_edata|_end|__bss_start|_IO_stdin_used)$' \
    | grep -v -E '@|^__(asan|ubsan|lsan|sanitizer)_' | sort)
  ;;
esac
if [ "$expected" != "$actual" ]; then
  echo "exported symbols differ from $list"
  echo "--- expected"; echo "$expected"
  echo "--- actual"; echo "$actual"
  exit 1
fi
echo "$(echo "$actual" | wc -l) symbols exported, as listed"
