# The backends: PortAudio sound, Qt SerialPort control lines, Qt message boxes and
# the system's volume control.
add_library(mskplatform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioErrorText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioInputDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioOutputDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtOperatorMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtSerialLines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtVolumeControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortLocation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminationRequests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeControlCommand.cpp)
target_include_directories(mskplatform PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(mskplatform
  PUBLIC platform_interfaces Qt6::Core Qt6::Widgets Qt6::SerialPort
  PRIVATE PkgConfig::PORTAUDIO)
