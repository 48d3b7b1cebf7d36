# Media files: the file record's probe, queries, decoder opening, reading and seeking; and the
# source filter with its pins and decoders playing into null renderers.
zvp_fuzzer(media_probe
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/media_probe_fuzzer.cpp
  LIBS zvp_media)
zvp_fuzzer(media_source
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/media_source_fuzzer.cpp
  LIBS zvp_media)
