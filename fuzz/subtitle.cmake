# SRT-to-ASS conversion (the SubRip decoder fed block by block) and the dialogue-text helpers.
zvp_fuzzer(subtitle_srt
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/subtitle_srt_fuzzer.cpp
  LIBS zvp_subtitle)
