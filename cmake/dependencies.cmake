# Third-party libraries for both builds. Natively they are Debian's -dev packages; for Windows
# libcurl, pugixml and libsodium come from our own recipe (cmake/third_party.sh), zlib from mingw's sysroot.

if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
find_package(pugixml REQUIRED)

if(WIN32)
  find_package(CURL CONFIG REQUIRED)
  set_property(TARGET CURL::libcurl APPEND PROPERTY
    INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt advapi32)
else()
  find_package(CURL REQUIRED)
endif()

# libsodium (Ed25519, SHA-256): Debian's libsodium-dev natively, our static build for Windows.
find_path(SODIUM_INCLUDE_DIR sodium.h REQUIRED)
find_library(SODIUM_LIBRARY NAMES sodium REQUIRED)
add_library(sodium INTERFACE)
target_include_directories(sodium SYSTEM INTERFACE "${SODIUM_INCLUDE_DIR}")
target_link_libraries(sodium INTERFACE "${SODIUM_LIBRARY}")
if(WIN32)
  target_compile_definitions(sodium INTERFACE SODIUM_STATIC)
endif()

# rapidjson is header-only; the cross build is given only its own folder.
if(NOT RAPIDJSON_INCLUDE_DIR)
  find_path(RAPIDJSON_INCLUDE_DIR rapidjson/document.h REQUIRED)
endif()
add_library(rapidjson INTERFACE)
target_include_directories(rapidjson SYSTEM INTERFACE "${RAPIDJSON_INCLUDE_DIR}")

# GoogleTest from Debian's sources, built with this build's compiler and flags.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# Windows test executables are always built; they are registered with ctest only where this
# machine can run them (./dev turns this off for the 32-bit build where 32-bit code cannot run).
option(UPDATE_RUN_WINDOWS_TESTS "Register the Windows test executables with ctest" ON)

# update_discover_tests(TARGET [gtest_discover_tests options...]): registers a GoogleTest
# executable's tests with ctest, listed when ctest runs (under win32 through Wine, the emulator).
function(update_discover_tests target)
  if(CMAKE_CROSSCOMPILING AND NOT UPDATE_RUN_WINDOWS_TESTS)
    return()
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 ${ARGN})
endfunction()

# update_add_test(NAME SOURCES sources... LIBS libs...): a GoogleTest executable and its tests.
function(update_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} update_test_main)
  update_discover_tests(${name} PROPERTIES TIMEOUT 300)
endfunction()
