# Resource lookup by "type:name" and the named-ID table: portable, no Windows header.
add_library(update_toolkit_resources STATIC
  "${CMAKE_CURRENT_LIST_DIR}/folder_resource_provider.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/named_ids.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/resource_provider.cpp"
)
target_include_directories(update_toolkit_resources PUBLIC "${PROJECT_SOURCE_DIR}/src")
