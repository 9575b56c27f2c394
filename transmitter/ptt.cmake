# The PTT port (plain logic over the serial-line and message interfaces) and the
# selection pop-up that picks it.
add_library(txptt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PttPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SelectionPopup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DrawnButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SelectionPopupWindow.cpp)
target_include_directories(txptt PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(txptt PUBLIC Qt6::Widgets platform_interfaces)
