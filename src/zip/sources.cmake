# The zip reader's sources, shared by the library here and by the light fuzz and bench builds
# that compile them directly.
set(UPDATE_ZIP_SOURCES
  archive.cpp
  archive_reader.cpp
  archive_result.cpp
  byte_source.cpp
  central_directory.cpp
  entry_fields.cpp
  entry_path.cpp
  file_handle.cpp
  item_digest.cpp
  item_stream.cpp
  package_directory.cpp
)
if(WIN32)
  list(APPEND UPDATE_ZIP_SOURCES file_system_win32.cpp)
else()
  list(APPEND UPDATE_ZIP_SOURCES file_system_posix.cpp)
endif()
list(TRANSFORM UPDATE_ZIP_SOURCES PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
