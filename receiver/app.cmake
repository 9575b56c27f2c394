# The receiver program. rxcapture is the capture logic in plain C++; rxwidgets the
# window's own small widgets; rxwindow the window that ties them to the receive
# chain; msk-receiver the program with the real sound card behind it.
add_library(rxcapture STATIC ${CMAKE_CURRENT_LIST_DIR}/AudioCapture.cpp)
target_include_directories(rxcapture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rxcapture PUBLIC platform_interfaces)
set_target_properties(rxcapture PROPERTIES AUTOMOC OFF)
