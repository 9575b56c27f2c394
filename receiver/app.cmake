# The receiver program. rxcapture is the capture logic in plain C++; rxwidgets the
# window's own small widgets; rxwindow the window that ties them to the receive
# chain; msk-receiver the program with the real sound card behind it.
add_library(rxcapture STATIC ${CMAKE_CURRENT_LIST_DIR}/AudioCapture.cpp)
target_include_directories(rxcapture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rxcapture PUBLIC platform_interfaces)
set_target_properties(rxcapture PROPERTIES AUTOMOC OFF)

add_library(rxwidgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UpDown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScopeWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivedTextEdit.cpp)
target_include_directories(rxwidgets PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rxwidgets PUBLIC varicode Qt6::Widgets)

add_library(rxwindow STATIC ${CMAKE_CURRENT_LIST_DIR}/ReceiverWindow.cpp)
target_link_libraries(rxwindow PUBLIC rxcore rxcapture rxwidgets Qt6::Widgets)
add_executable(msk-receiver ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(msk-receiver PRIVATE rxwindow mskplatform Qt6::Widgets)
