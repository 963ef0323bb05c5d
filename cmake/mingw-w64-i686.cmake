# Cross build for 32-bit Windows with the mingw-w64 (posix threads) compilers; what is built
# runs through Wine when its 32-bit half is installed.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
