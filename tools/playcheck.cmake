# zvp-playcheck FILE: plays one file through the engine with the null renderers and prints a
# summary line (tools/zvp-playcheck.cpp). The corrupt-media driver runs it once per file.
if(TARGET zvp_engine AND NOT ZVP_SANITIZE STREQUAL "tsan")
  add_executable(zvp-playcheck ${CMAKE_CURRENT_LIST_DIR}/zvp-playcheck.cpp)
  target_compile_options(zvp-playcheck PRIVATE ${ZVP_WARNINGS})
  target_link_libraries(zvp-playcheck PRIVATE zvp_engine)
endif()

# The corrupt media set: tools/gen-corrupt-media.sh derives it from the test media into
# ${CMAKE_BINARY_DIR}/media/corrupt (the file list is at the top of the script). Not in the
# default target: the `corrupt` tests build it first (a fixture), or build `corrupt_media`.
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
set(ZVP_CORRUPT_DIR ${CMAKE_BINARY_DIR}/media/corrupt)
set(ZVP_CORRUPT_STAMP ${CMAKE_BINARY_DIR}/media/corrupt.generated)
add_custom_command(
  OUTPUT ${ZVP_CORRUPT_STAMP}
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-corrupt-media.sh ${ZVP_CORRUPT_DIR}
          ${CMAKE_BINARY_DIR}/media ${ZVP_FFMPEG_EXECUTABLE}
  COMMAND ${CMAKE_COMMAND} -E touch ${ZVP_CORRUPT_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-corrupt-media.sh ${ZVP_MEDIA_STAMP}
  COMMENT "Generating the corrupt media in ${ZVP_CORRUPT_DIR}"
  VERBATIM)
add_custom_target(corrupt_media DEPENDS ${ZVP_CORRUPT_STAMP})
add_dependencies(corrupt_media test_media)

# Every corrupt file through zvp-playcheck, each in its own process (label corrupt).
if(ZVP_BUILD_TESTS AND TARGET zvp-playcheck)
  add_test(NAME corrupt_media_build
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target corrupt_media zvp-playcheck)
  set_tests_properties(corrupt_media_build PROPERTIES
    LABELS corrupt FIXTURES_SETUP corrupt_media TIMEOUT 600)
  add_test(NAME corrupt_media
    COMMAND ${PROJECT_SOURCE_DIR}/tests/tools/corrupt_media_test.sh
            $<TARGET_FILE:zvp-playcheck> ${ZVP_CORRUPT_DIR})
  set_tests_properties(corrupt_media PROPERTIES
    LABELS corrupt FIXTURES_REQUIRED corrupt_media PROCESSORS 2 TIMEOUT 600)
endif()

# The 16000x16000 clip alone (big16000.avi), for the probe's unit tests.
set(ZVP_BIG_PICTURE_CLIP ${CMAKE_BINARY_DIR}/media/big16000.avi)
add_custom_command(
  OUTPUT ${ZVP_BIG_PICTURE_CLIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/media
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-corrupt-media.sh --big-picture ${ZVP_BIG_PICTURE_CLIP}
          ${ZVP_FFMPEG_EXECUTABLE}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-corrupt-media.sh
  COMMENT "Generating the 16000x16000 test clip"
  VERBATIM)
add_custom_target(big_picture_media DEPENDS ${ZVP_BIG_PICTURE_CLIP})
