# Cross build for Windows with the mingw-w64 GCC of the win32 thread model,
# whose runtime needs no winpthread; the toolchain file that includes this one
# names the processor and triplet.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUADRIVO_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QUADRIVO_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${QUADRIVO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUADRIVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Sections per function, so that the linker can drop what is never called;
# and every program linked statically, so that none needs the compiler's own
# DLLs (libstdc++, libgcc) beside it.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
