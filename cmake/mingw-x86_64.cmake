# The same sources as a PE32+ build, for machines that cannot execute 32-bit
# x86 code (Wine then runs the 64-bit build natively).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(VAYLO_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
