# The demo clip for the README's run command: tools/gen-demo-media.sh writes demo.mp4 and
# demo.srt into ${CMAKE_BINARY_DIR}/media, in the default target.
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
set(ZVP_DEMO_MEDIA ${CMAKE_BINARY_DIR}/media/demo.mp4)
add_custom_command(
  OUTPUT ${ZVP_DEMO_MEDIA} ${CMAKE_BINARY_DIR}/media/demo.srt
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-demo-media.sh ${CMAKE_BINARY_DIR}/media
          ${ZVP_FFMPEG_EXECUTABLE}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-demo-media.sh
  COMMENT "Generating the demo clip"
  VERBATIM)
add_custom_target(demo_media ALL DEPENDS ${ZVP_DEMO_MEDIA})
