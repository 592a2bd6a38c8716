# The program's About window.
if(WIN32)
  add_library(klevotrim_about STATIC "${CMAKE_CURRENT_LIST_DIR}/About.cpp")
  klevotrim_warnings(klevotrim_about)
  target_include_directories(klevotrim_about PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(klevotrim_about PUBLIC klevotrim_functions klevotrim_common user32 gdi32 comctl32)
endif()
