# The demo marketplace: made-up shop pages, compiled in as resources and
# served by the test marketplace server, so that a newcomer can run a whole
# analysis offline.
add_library(zembrel_demo STATIC
    DemoMarketplace.cpp DemoMarketplace.h
    demo/demo.qrc
)
target_include_directories(zembrel_demo PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zembrel_demo PUBLIC zembrel_market Qt6::Core)
