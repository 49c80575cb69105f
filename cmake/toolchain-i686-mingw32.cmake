# The product: 32-bit Windows, mingw-w64 with posix threads (std::thread works).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(UPDATE_MINGW_TRIPLET i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
