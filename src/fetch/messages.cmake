# The modal message box behind ShowMessage.
add_library(zembrel_messages STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MessageBox.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageBox.h
)
target_include_directories(zembrel_messages PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(zembrel_messages PUBLIC Qt6::Widgets QCoro6::Core)
