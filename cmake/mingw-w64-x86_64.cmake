# Cross build for 64-bit Windows with the mingw-w64 GCC.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUADRIVO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
