# Big-endian s390x Linux with Debian's s390x-linux-gnu cross compilers;
# programs run under qemu-user with the cross sysroot.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(POINTSIEVE_TRIPLET s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x -L ${POINTSIEVE_SYSROOT})
