# Receive signal chain. rxdsp is plain C++ without Qt: both demodulators, their
# blocks and the Varicode decoder (it also builds for Windows with MinGW). rxcore
# adds the scope's image, which draws into a QImage.
find_path(KISSFFT_INCLUDE_DIR kissfft/kissfft.hh REQUIRED)
add_library(rxdsp STATIC
  VaricodeDecodeTable.cpp
  VaricodeDecoder.cpp
  MskDemodulator.cpp
  KaiserLowPass.cpp
  SpeedPlan.cpp
  FrequencySearch.cpp
  BitMatchedFilters.cpp
  SymbolRateLine.cpp
  MskTrellis.cpp
  PreambleEndSearch.cpp
  ScopeTraceAdapter.cpp
  EnhancedDemodulator.cpp
  SignalSquelch.cpp
  ReceiveDemodulator.cpp)
target_include_directories(rxdsp PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${KISSFFT_INCLUDE_DIR})
target_link_libraries(rxdsp PUBLIC varicode)
set_target_properties(rxdsp PROPERTIES AUTOMOC OFF)

add_library(rxcore STATIC SignalDisplay.cpp)
target_include_directories(rxcore PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rxcore PUBLIC rxdsp varicode Qt6::Gui)
