# A short clip carrying a title, an artist and a copyright notice in its tags, for the
# engine's clip-description tests: ${ZVP_MEDIA_DIR}/tagged.mp3 (2 s, 440 Hz, MP3 with ID3v2).
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
set(ZVP_TAGGED_CLIP ${CMAKE_BINARY_DIR}/media/tagged.mp3)
add_custom_command(
  OUTPUT ${ZVP_TAGGED_CLIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/media
  COMMAND ${ZVP_FFMPEG_EXECUTABLE} -hide_banner -nostdin -loglevel error -y
          -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2
          -metadata "title=Tagged Tone" -metadata "artist=Test Author"
          -metadata "copyright=(c) Tests"
          -c:a libmp3lame -b:a 64k ${ZVP_TAGGED_CLIP}
  COMMENT "Generating the tagged test clip"
  VERBATIM)
add_custom_target(engine_test_media DEPENDS ${ZVP_TAGGED_CLIP})

# An anamorphic clip: 176 × 144 coded with pixels of 64:45 (a 16:9 picture stored 11:9), for
# the engine's display-size report: ${ZVP_MEDIA_DIR}/anamorphic.mp4 (1 s, MPEG-4, no audio).
set(ZVP_ANAMORPHIC_CLIP ${CMAKE_BINARY_DIR}/media/anamorphic.mp4)
add_custom_command(
  OUTPUT ${ZVP_ANAMORPHIC_CLIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/media
  COMMAND ${ZVP_FFMPEG_EXECUTABLE} -hide_banner -nostdin -loglevel error -y
          -f lavfi -i testsrc=size=176x144:rate=25:duration=1 -vf setsar=64/45
          -c:v mpeg4 -q:v 5 ${ZVP_ANAMORPHIC_CLIP}
  COMMENT "Generating the anamorphic test clip"
  VERBATIM)
add_custom_target(engine_anamorphic_media DEPENDS ${ZVP_ANAMORPHIC_CLIP})
add_dependencies(engine_test_media engine_anamorphic_media)
