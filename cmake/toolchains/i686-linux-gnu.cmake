# 32-bit x86 Linux with Debian's i686-linux-gnu cross compilers. Programs
# run under qemu-user with the cross sysroot: not every x86-64 kernel runs
# 32-bit programs (this one was built without IA32 emulation).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(POINTSIEVE_TRIPLET i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
# The loader reads the host's /etc/ld.so.cache, which may name the host's
# own i386 libc (/lib32, from libc6-i386) instead of the sysroot's: a
# mismatched loader and libc hang in fork(). The library path (/lib inside
# the sysroot) takes precedence over the cache.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L ${POINTSIEVE_SYSROOT} -E LD_LIBRARY_PATH=/lib)
