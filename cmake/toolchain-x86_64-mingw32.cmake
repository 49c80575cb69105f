# The same sources for 64-bit Windows: runs the Windows tests where 32-bit code cannot execute.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(UPDATE_MINGW_TRIPLET x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
