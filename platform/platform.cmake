# SPDX-License-Identifier: GPL-3.0-or-later
# The backends: PortAudio sound (devices named by the PulseAudio server, libpulse), Qt SerialPort control lines, Qt message boxes and
# the system's volume control.
add_library(mskplatform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioErrorText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioInputDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioOutputDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAudioRoute.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseSoundDevices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtSoundDeviceChooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtOperatorMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtSerialLines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtVolumeControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QuietDeviceScan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortLocation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TerminationRequests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeControlCommand.cpp)
target_link_libraries(mskplatform
  PUBLIC platform_interfaces soundchoice Qt6::Core Qt6::Widgets Qt6::SerialPort
  PRIVATE PkgConfig::PORTAUDIO PkgConfig::PULSE)

# PTT by other means than a serial port: CAT through libhamlib (a rig, or a shared
# rigctld) and the GPIO pins of a CM108 interface through its hidraw device.
pkg_check_modules(HAMLIB REQUIRED IMPORTED_TARGET hamlib)
add_library(platform_ptt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/HamlibPttLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Cm108PttLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemPttLines.cpp)
target_link_libraries(platform_ptt PUBLIC platform_interfaces PRIVATE PkgConfig::HAMLIB)

# The sound libraries whose printers the device scan silences (QuietDeviceScan):
# PortAudio loads them on Linux; elsewhere they are usually absent and the scan
# is left as it is.
pkg_check_modules(ALSA QUIET IMPORTED_TARGET alsa)
if(ALSA_FOUND)
  target_link_libraries(mskplatform PRIVATE PkgConfig::ALSA)
  target_compile_definitions(mskplatform PRIVATE MSK_HAVE_ALSA)
endif()
pkg_check_modules(JACK QUIET IMPORTED_TARGET jack)
if(JACK_FOUND)
  include(CheckCXXSymbolExists)
  set(CMAKE_REQUIRED_INCLUDES ${JACK_INCLUDE_DIRS})
  set(CMAKE_REQUIRED_LIBRARIES ${JACK_LINK_LIBRARIES})
  check_cxx_symbol_exists(jack_set_error_function "jack/jack.h" MSK_JACK_HAS_ERROR_FUNCTION)
  check_cxx_symbol_exists(jack_set_info_function "jack/jack.h" MSK_JACK_HAS_INFO_FUNCTION)
  unset(CMAKE_REQUIRED_INCLUDES)
  unset(CMAKE_REQUIRED_LIBRARIES)
  if(MSK_JACK_HAS_ERROR_FUNCTION)
    target_link_libraries(mskplatform PRIVATE PkgConfig::JACK)
    target_compile_definitions(mskplatform PRIVATE MSK_HAVE_JACK)
    if(MSK_JACK_HAS_INFO_FUNCTION)
      target_compile_definitions(mskplatform PRIVATE MSK_HAVE_JACK_INFO_FUNCTION)
    endif()
  endif()
endif()

# Choosing the sound device by its name, on the command line and in the windows,
# and remembering the choice (Qt Core only, so the windows link it without sound).
add_library(soundchoice STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SoundDeviceChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundDeviceSetting.cpp)
target_link_libraries(soundchoice PUBLIC platform_interfaces Qt6::Core)
set_target_properties(soundchoice PROPERTIES AUTOMOC OFF)

# The dialog keyboard (Tab stops, arrow keys in option groups) both windows share.
add_library(dialogkeys STATIC ${CMAKE_CURRENT_LIST_DIR}/DialogKeys.cpp)
target_link_libraries(dialogkeys PUBLIC Qt6::Widgets)
set_target_properties(dialogkeys PROPERTIES AUTOMOC OFF)

# The other station's call, shared by the receiver and the transmitter through a
# watched settings file.
add_library(sharedcall STATIC ${CMAKE_CURRENT_LIST_DIR}/OtherStationCall.cpp)
target_link_libraries(sharedcall PUBLIC Qt6::Core)
