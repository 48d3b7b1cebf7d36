# Crash handler text: the maps line parser and the report formatter never read out of bounds
# or overrun their buffers, whatever the bytes.
zvp_fuzzer(crash_maps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/crash_maps_fuzzer.cpp
  LIBS zvp_app)
