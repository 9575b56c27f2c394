add_executable(transmit_bench ${CMAKE_CURRENT_SOURCE_DIR}/TransmitBench.cpp)
target_link_libraries(transmit_bench PRIVATE txcore benchmark::benchmark)
