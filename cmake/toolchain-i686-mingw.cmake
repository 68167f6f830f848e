# Cross toolchain: MinGW-w64 i686 (Debian 12), producing PE32 (32-bit) Windows programs.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZELVIX_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
