# Playlist file: any bytes parse without a crash into rows without a line feed, and the rows
# serialize to bytes that parse back to the same rows; the same bytes read as a file fill a
# playlist model that keeps every row through a sort by each key.
zvp_fuzzer(playlist_mpl
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/playlist_mpl_fuzzer.cpp
  LIBS zvp_playlist)
