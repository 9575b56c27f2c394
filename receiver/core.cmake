# Receive signal chain. rxchain is plain C++ (demodulator and its blocks, Varicode
# decoder) and is also built for Windows in the core-only cross build: a new
# Qt-free source file goes into its list. rxcore adds the scope, which draws into
# a QImage.
add_library(rxchain STATIC
  VaricodeDecodeTable.cpp
  VaricodeDecoder.cpp
  MskDemodulator.cpp
  ReceiveDemodulator.cpp)
target_include_directories(rxchain PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rxchain PUBLIC varicode)
set_target_properties(rxchain PROPERTIES AUTOMOC OFF)

if(NOT MSK_CORE_ONLY)
  add_library(rxcore STATIC SignalDisplay.cpp)
  target_link_libraries(rxcore PUBLIC rxchain Qt6::Gui)
endif()
