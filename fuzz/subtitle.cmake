# SRT-to-ASS conversion (the SubRip decoder fed block by block) and the dialogue-text helpers.
zvp_fuzzer(subtitle_srt
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/subtitle_srt_fuzzer.cpp
  LIBS zvp_subtitle)

# An external subtitle file (ASS, or SRT converted) opened as the user's pick and drawn on
# small YV12 and RGB24 pictures.
zvp_fuzzer(subtitle_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/subtitle_file_fuzzer.cpp
  LIBS zvp_subtitle)

# Embedded subtitle packets (ASS, SubRip, DVD, DVB, PGS) decoded and handed to the text and
# bitmap subtitles, then drawn.
zvp_fuzzer(subtitle_packet
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/subtitle_packet_fuzzer.cpp
  LIBS zvp_subtitle)
