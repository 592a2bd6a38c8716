# The program's About window, driven as a user would.
if(WIN32)
  klevotrim_win_test(about_tests SOURCES "${CMAKE_CURRENT_LIST_DIR}/AboutTest.cpp" LIBS klevotrim_about)
endif()
