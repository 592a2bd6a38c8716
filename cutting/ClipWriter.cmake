# Cut points, cut-range arithmetic, the clip writer's texts and its copies' progress: portable, no <windows.h>.
add_library(klevotrim_cutting_core STATIC CutPoints.cpp CutRange.cpp ClipWriterText.cpp ClipWriterProgress.cpp
  PlayableClipText.cpp)
klevotrim_warnings(klevotrim_cutting_core)
target_link_libraries(klevotrim_cutting_core PUBLIC klevotrim_common)

# The clip writers (block range and playable clip), their progress window and progress bar.
if(WIN32)
  add_library(klevotrim_cutting STATIC ClipWriter.cpp ClipSession.cpp ProgressWindow.cpp ProgressBar.cpp
    FileByteSource.cpp PlayableClipWriter.cpp)
  klevotrim_warnings(klevotrim_cutting)
  target_link_libraries(klevotrim_cutting PUBLIC
    klevotrim_cutting_core klevotrim_clip_core klevotrim_functions klevotrim_common comctl32 user32 gdi32)
endif()
