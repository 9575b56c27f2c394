# The receiver's waterfall: spectrum and drawing at ten lines a second.
add_executable(waterfall_bench ${CMAKE_CURRENT_SOURCE_DIR}/WaterfallBench.cpp)
target_link_libraries(waterfall_bench PRIVATE rxwidgets benchmark::benchmark)
