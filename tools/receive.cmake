# The receive chain in the headless modem: decode and channel.
target_sources(modem PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/SampleRateConverter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ModemSensitivity.cpp)
target_link_libraries(modem PUBLIC rxcore)
