# Disc names: any bytes as a mount table (field split, octal escapes) and as a disc's folder
# and file names for the name matcher and the listing order.
zvp_fuzzer(disc_names
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/disc_names_fuzzer.cpp
  LIBS zvp_playlist)
