# The source filter, its pins and decoders through the graph with null renderers. Threaded:
# also runs under ThreadSanitizer.
zvp_test(source_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSource_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloStreams_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSourceCycles_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloVideoDecoder_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CLentPictureCanvas_unittest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVelloSourceLocks_unittest.cpp
  LIBS zvp_media GTest::gtest_main
  LABELS pipeline)
if(TARGET source_tests)  # absent from builds that skip this test
  add_dependencies(source_tests test_media)
endif()

# Every decoded sample and picture of generated clips against ffprobe, and an audio track switch
# to another format. Threaded: also runs under ThreadSanitizer.
find_program(ZVP_FFPROBE_EXECUTABLE ffprobe REQUIRED)
zvp_test(audio_completeness_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioCompleteness_unittest.cpp
  LIBS zvp_media GTest::gtest_main
  LABELS pipeline)
if(TARGET audio_completeness_tests)  # absent from builds that skip this test
  target_compile_definitions(audio_completeness_tests
    PRIVATE ZVP_FFPROBE="${ZVP_FFPROBE_EXECUTABLE}")
  add_dependencies(audio_completeness_tests test_media)
endif()
