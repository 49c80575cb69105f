# The widget tree: UI definition, skins, widgets built from layouts, mouse routing and painting
# through the Canvas seam. Portable, no Windows header.
add_library(update_toolkit_widgets STATIC
  "${CMAKE_CURRENT_LIST_DIR}/accessibility.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/png_image_source.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/skin.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/ui_definition.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/widget.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/widget_tree.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/widgets.cpp"
)
target_include_directories(update_toolkit_widgets PUBLIC "${PROJECT_SOURCE_DIR}/src")
target_link_libraries(update_toolkit_widgets
  PUBLIC update_toolkit_core update_toolkit_resources
  PRIVATE pugixml::pugixml)
