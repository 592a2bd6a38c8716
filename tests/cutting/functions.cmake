# General helpers: portable rules natively, the Win32 helpers under Wine.
if(NOT WIN32)
  klevotrim_native_test(functions_units SOURCES "${CMAKE_CURRENT_LIST_DIR}/FunctionsTest.cpp"
                        LIBS klevotrim_functions_core)
else()
  # The test program carries its own "MAINICON" for SetIcon.
  klevotrim_win_test(functions_tests
                     SOURCES "${CMAKE_CURRENT_LIST_DIR}/FunctionsWinTest.cpp"
                             "${CMAKE_CURRENT_LIST_DIR}/FunctionsWinTest.rc"
                     LIBS klevotrim_functions)
endif()
