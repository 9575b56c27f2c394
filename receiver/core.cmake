# Receive signal chain: demodulator, Varicode decoder and the scope's image.
# Plain C++ apart from the scope, which draws into a QImage.
add_library(rxcore STATIC
  VaricodeDecodeTable.cpp
  VaricodeDecoder.cpp
  MskDemodulator.cpp
  ReceiveDemodulator.cpp
  SignalDisplay.cpp)
target_include_directories(rxcore PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rxcore PUBLIC varicode Qt6::Gui)
