# 32-bit Windows build: the device is 32-bit, so this configuration only
# proves that the code compiles and links there.
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
