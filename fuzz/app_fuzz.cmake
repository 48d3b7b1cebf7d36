# Settings loader and text-file reader: malformed INI and text files never crash, and a loaded
# document saves to a file that loads back to the same document.
zvp_fuzzer(app_settings
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_settings_fuzzer.cpp
  LIBS zvp_app)
