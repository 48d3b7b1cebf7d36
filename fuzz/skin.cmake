# Skin file: any bytes read as a skin file parse without a crash into section values that stay
# within their documented ranges, and apply to a window of 21 controls. Seeds: fuzz/seeds/skin_ini.
zvp_fuzzer(skin_ini
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/skin_ini_fuzzer.cpp
  LIBS zvp_skin Qt6::Test
  INCLUDES ${PROJECT_SOURCE_DIR}/tests)
