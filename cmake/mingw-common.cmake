# Shared part of the mingw-w64 toolchain files; UPDATE_MINGW_TRIPLET names the target
# (i686-w64-mingw32: the product; x86_64-w64-mingw32: the 64-bit test build).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${UPDATE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPDATE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${UPDATE_MINGW_TRIPLET}-windres)

# Our own third-party builds (libcurl, pugixml, libsodium) live in the build tree next to mingw's sysroot.
get_filename_component(_update_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${UPDATE_MINGW_TRIPLET}
    "${_update_root}/build/third_party/${UPDATE_MINGW_TRIPLET}/install")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs to ship: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Windows executables (tests included) run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run")
