# 32-bit Windows build, run under Wine's 32-bit loader: the device's word size.
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
