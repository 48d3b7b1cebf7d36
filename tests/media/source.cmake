# The source filter, its pins and decoders through the graph with null renderers. Threaded:
# also runs under ThreadSanitizer.
zvp_test(source_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSource_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloStreams_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSourceCycles_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSourceLocks_unittest.cpp
  LIBS zvp_media GTest::gtest_main
  LABELS pipeline)
if(TARGET source_tests)  # absent from builds that skip this test
  add_dependencies(source_tests test_media)
endif()
