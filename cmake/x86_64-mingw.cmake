# Cross-build for 64-bit Windows with mingw-w64; the test executables and tools run under Wine, in a
# prefix made with WINEARCH=win64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
