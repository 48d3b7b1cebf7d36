# Test media: tools/gen-test-media.sh writes small clips into ${CMAKE_BINARY_DIR}/media with the
# ffmpeg command-line tool (the file list is at the top of the script). Tests read the folder
# through $ZVP_MEDIA_DIR. The set is rebuilt only when the script changes.
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)

# Bitmap (DVD) subtitles cannot be made from text by the ffmpeg tool; this helper draws them.
add_executable(zvp-make-dvdsub ${CMAKE_CURRENT_LIST_DIR}/make-dvdsub.cpp)
target_link_libraries(zvp-make-dvdsub PRIVATE PkgConfig::FFMPEG)

set(ZVP_MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
set(ZVP_MEDIA_STAMP ${ZVP_MEDIA_DIR}/.generated)
add_custom_command(
  OUTPUT ${ZVP_MEDIA_STAMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZVP_MEDIA_DIR}
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-test-media.sh ${ZVP_MEDIA_DIR} ${ZVP_FFMPEG_EXECUTABLE}
          $<TARGET_FILE:zvp-make-dvdsub>
  COMMAND ${CMAKE_COMMAND} -E touch ${ZVP_MEDIA_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-test-media.sh zvp-make-dvdsub
  COMMENT "Generating test media in ${ZVP_MEDIA_DIR}"
  VERBATIM)
add_custom_target(test_media ALL DEPENDS ${ZVP_MEDIA_STAMP})
