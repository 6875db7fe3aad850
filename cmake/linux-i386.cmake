# The core and its native suite as a 32-bit Linux program, run under
# qemu-i386, so that the suite also runs where size_t and pointers are 32 bits
# wide, as in the disc's Quadrivo.exe. Debian's g++-multilib builds it and
# qemu-user runs it; linked statically, so that no 32-bit shared library needs
# to be installed for it to start.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

find_program(QUADRIVO_QEMU_I386 qemu-i386 REQUIRED)
# CTest runs every test, and GoogleTest's discovery runs every suite, through
# it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUADRIVO_QEMU_I386})
