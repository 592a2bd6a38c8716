# Layout geometry, resize zones and preference text rules (portable), and the Win32 chrome
# primitives and registry store over them.
add_library(klevotrim_chrome_core STATIC
  "${CMAKE_CURRENT_LIST_DIR}/Layout.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/ResizeZones.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/Preferences.cpp")
klevotrim_warnings(klevotrim_chrome_core)
target_link_libraries(klevotrim_chrome_core PUBLIC klevotrim_common)

if(WIN32)
  add_library(klevotrim_chrome STATIC
    "${CMAKE_CURRENT_LIST_DIR}/Border.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/RegEdit.cpp")
  klevotrim_warnings(klevotrim_chrome)
  target_link_libraries(klevotrim_chrome PUBLIC klevotrim_chrome_core klevotrim_common user32 gdi32 advapi32)
endif()
