# Receive signal chain. rxchain is plain C++ without Qt: both demodulators, their
# blocks and the Varicode decoder. It is also built for Windows in the core-only
# cross build, so a new Qt-free source file goes into its list. rxcore adds the
# scope, which draws into a QImage.
add_library(rxchain STATIC
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
target_include_directories(rxchain PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rxchain PUBLIC varicode)
set_target_properties(rxchain PROPERTIES AUTOMOC OFF)

if(MSK_CORE_ONLY)
  return()  # the top level hands the cross build KissFFT's one header
endif()
find_path(KISSFFT_INCLUDE_DIR kissfft/kissfft.hh REQUIRED)
target_include_directories(rxchain PUBLIC ${KISSFFT_INCLUDE_DIR})

add_library(rxcore STATIC SignalDisplay.cpp)
target_link_libraries(rxcore PUBLIC rxchain Qt6::Gui)
