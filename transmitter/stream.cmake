# The audio stream: the 42 one-bit buffers at the output device and the start and
# stop of a transmission. Plain C++; the window and the devices come in through
# interfaces.
add_library(txstream STATIC TxAudioStream.cpp)
target_include_directories(txstream PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(txstream PUBLIC txcore platform_interfaces)
