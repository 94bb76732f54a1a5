# The embedded browser behind PageRenderer and the process set-up it needs.
add_library(zembrel_render STATIC
    BrowserAddressGuard.cpp BrowserAddressGuard.h
    BrowserEnvironment.cpp BrowserEnvironment.h
    BrowserSession.cpp BrowserSession.h
    LockedDownPage.cpp LockedDownPage.h
    PageLoad.cpp PageLoad.h
    WebPageRenderer.cpp WebPageRenderer.h
)
qt_add_resources(zembrel_render zembrel_render_scripts
    PREFIX /zembrel
    BASE resources
    FILES resources/serialize-body.js resources/pending-refresh.js
)
target_include_directories(zembrel_render PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zembrel_render PUBLIC zembrel_engine Qt6::Core Qt6::WebEngineCore
    PRIVATE zembrel_fetch)
