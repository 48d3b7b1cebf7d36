# Skin file: any bytes read as a skin file parse without a crash into section values that stay
# within their documented ranges.
zvp_fuzzer(skin_ini
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/skin_ini_fuzzer.cpp
  LIBS zvp_skin)
