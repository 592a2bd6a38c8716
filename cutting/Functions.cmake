# General helpers: the portable part (extension, time text) builds everywhere; the Win32
# part (icons, file test, shell open, topmost band) only for Windows.
add_library(klevotrim_functions_core STATIC "${CMAKE_CURRENT_LIST_DIR}/Functions.cpp")
klevotrim_warnings(klevotrim_functions_core)
target_include_directories(klevotrim_functions_core PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(klevotrim_functions_core PUBLIC klevotrim_common)

if(WIN32)
  add_library(klevotrim_functions STATIC "${CMAKE_CURRENT_LIST_DIR}/FunctionsWin.cpp")
  klevotrim_warnings(klevotrim_functions)
  target_link_libraries(klevotrim_functions PUBLIC klevotrim_functions_core user32 shell32)
endif()
