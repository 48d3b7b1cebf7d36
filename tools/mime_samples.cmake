# One 1 s sample of every type the MIME table claims (tools/gen-mime-samples.sh), in
# ${CMAKE_BINARY_DIR}/media/mime; tests/e2e/install_e2e.sh plays each with the installed player.
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
set(ZVP_MIME_SAMPLE_DIR ${CMAKE_BINARY_DIR}/media/mime)
set(ZVP_MIME_SAMPLE_STAMP ${ZVP_MIME_SAMPLE_DIR}/.generated)
add_custom_command(
  OUTPUT ${ZVP_MIME_SAMPLE_STAMP}
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-mime-samples.sh ${ZVP_MIME_SAMPLE_DIR}
          ${ZVP_FFMPEG_EXECUTABLE}
  COMMAND ${CMAKE_COMMAND} -E touch ${ZVP_MIME_SAMPLE_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-mime-samples.sh
  COMMENT "Generating the MIME samples in ${ZVP_MIME_SAMPLE_DIR}"
  VERBATIM)
add_custom_target(mime_samples ALL DEPENDS ${ZVP_MIME_SAMPLE_STAMP})
