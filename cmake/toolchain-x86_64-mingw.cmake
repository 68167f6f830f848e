# Cross toolchain: MinGW-w64 x86_64 (Debian 12), producing PE32+ (64-bit) Windows programs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ZELVIX_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
