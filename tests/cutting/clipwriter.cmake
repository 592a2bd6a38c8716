# Cut points, cut ranges and the clip writer.
if(NOT WIN32)
  klevotrim_native_test(cutting_units
    SOURCES CutRangeTest.cpp CutPointsTest.cpp ClipWriterTextTest.cpp ClipWriterProgressTest.cpp
    LIBS klevotrim_cutting_core)
else()
  klevotrim_win_test(cutting_clipwriter
    SOURCES ClipWriterTest.cpp ProgressWindowTest.cpp ClipWriterTestSupport.cpp
    LIBS klevotrim_cutting
    TIMEOUT 300)
endif()
