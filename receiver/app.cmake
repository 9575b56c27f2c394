# The receiver program. rxcapture is the capture logic in plain C++; rxspectrum the
# waterfall's spectrum, plain C++ too; rxwidgets the window's own small widgets and
# the waterfall window; rxwindow the window that ties them to the receive chain;
# msk-receiver the program with the real sound card behind it.
add_library(rxcapture STATIC ${CMAKE_CURRENT_LIST_DIR}/AudioCapture.cpp)
target_include_directories(rxcapture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rxcapture PUBLIC platform_interfaces)
set_target_properties(rxcapture PROPERTIES AUTOMOC OFF)

# KissFFT's header-only C++ transform (Debian: libkissfft-dev).
find_path(KISSFFT_CXX_INCLUDE_DIR kissfft/kissfft.hh REQUIRED)
add_library(rxspectrum STATIC ${CMAKE_CURRENT_LIST_DIR}/WaterfallSpectrum.cpp)
target_include_directories(rxspectrum PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${KISSFFT_CXX_INCLUDE_DIR})
set_target_properties(rxspectrum PROPERTIES AUTOMOC OFF)

add_library(rxwidgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UpDown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScopeWidget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivedTextEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaterfallWindow.cpp)
target_include_directories(rxwidgets PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rxwidgets PUBLIC varicode rxspectrum Qt6::Widgets)

add_library(rxwindow STATIC ${CMAKE_CURRENT_LIST_DIR}/ReceiverWindow.cpp)
target_link_libraries(rxwindow PUBLIC rxcore rxcapture rxwidgets dialogkeys Qt6::Widgets)
add_executable(msk-receiver ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(msk-receiver PRIVATE rxwindow mskplatform Qt6::Widgets)
