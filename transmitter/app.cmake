# The msk-transmitter program: the window over the transmit chain, the PTT port
# and the platform's sound, serial, message and volume-control adapters.
add_library(txwindow STATIC TransmitterWindow.cpp EntryTextSource.cpp)
target_include_directories(txwindow PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(txwindow PUBLIC txcore txstream txptt platform_interfaces dialogkeys Qt6::Widgets)

add_executable(msk-transmitter main.cpp)
target_link_libraries(msk-transmitter PRIVATE txwindow txcore txstream txptt mskplatform Qt6::Widgets)
