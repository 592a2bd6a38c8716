# Layout geometry, resize zones and preference rules natively; chrome primitives, the window base and the
# registry store on real windows and a real (private) registry under Wine.
klevotrim_native_test(chrome_core_test
  SOURCES "${CMAKE_CURRENT_LIST_DIR}/LayoutTest.cpp"
          "${CMAKE_CURRENT_LIST_DIR}/ResizeZonesTest.cpp"
          "${CMAKE_CURRENT_LIST_DIR}/PreferencesTest.cpp"
  LIBS klevotrim_chrome_core)

if(WIN32)
  klevotrim_win_test(chrome_win_test
    SOURCES "${CMAKE_CURRENT_LIST_DIR}/BorderWinTest.cpp"
            "${CMAKE_CURRENT_LIST_DIR}/WindowWinTest.cpp"
            "${CMAKE_CURRENT_LIST_DIR}/RegEditWinTest.cpp"
    LIBS klevotrim_chrome)
endif()
