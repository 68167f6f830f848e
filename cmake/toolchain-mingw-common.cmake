# Shared part of the cross toolchains: the caller sets CMAKE_SYSTEM_PROCESSOR and ZELVIX_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: std::mutex and friends exist (GoogleTest needs them); -static links
# winpthread in, so no DLL comes with it.
set(CMAKE_C_COMPILER   ${ZELVIX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELVIX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZELVIX_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELVIX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and gtest discovery start the .exe files through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
