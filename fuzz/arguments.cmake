# What another program hands the player: command-line arguments and file URLs, MPRIS OpenUri
# texts and the instance socket's requests.
zvp_fuzzer(arguments
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/arguments_fuzzer.cpp
  LIBS zvp_ui)
