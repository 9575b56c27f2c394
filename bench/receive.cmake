# Receive side: character error rate against SNR (writes docs/performance.md when
# given its path) and the speed of the receive chain.
add_executable(rx-sensitivity RxSensitivity.cpp)
target_include_directories(rx-sensitivity PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rx-sensitivity PRIVATE modem)

add_executable(rx-speed RxSpeed.cpp)
target_include_directories(rx-speed PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rx-speed PRIVATE modem benchmark::benchmark)

# The enhanced chain beside the standard one: sensitivity, offset, clock error,
# acquisition, noise only, latency (Markdown tables on standard output).
add_executable(rx-enhanced RxEnhanced.cpp)
target_include_directories(rx-enhanced PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(rx-enhanced PRIVATE modem)
