# Third-party libraries for both builds. Natively they are Debian's -dev packages; for win32
# libcurl and pugixml come from our own recipe (cmake/third_party.sh), zlib from mingw's sysroot.

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

# update_add_test(NAME sources... LIBS libs...): a GoogleTest executable registered with ctest.
# Under win32 the tests are listed and run through Wine (the toolchain's emulator).
function(update_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 300)
endfunction()
