# Cross build for 64-bit Windows with the MinGW-w64 compilers of Debian
# (g++-mingw-w64-x86-64). The test programs run under wine64:
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(ZRT_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
