# Cross-compiles for 64-bit Windows with MinGW-w64: the same program as a
# native x64 process, and the build the tests run on machines that cannot
# execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
