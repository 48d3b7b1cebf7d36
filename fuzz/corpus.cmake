# Generated seeds (fuzz/gen-corpus-seeds.sh): `fuzz_corpus` writes ${ZVP_FUZZ_SEEDS}/<target>/.
# The test tree builds it by default, for the replays; the fuzz tree on request (scripts/test).
find_program(ZVP_FFMPEG_EXECUTABLE ffmpeg REQUIRED)
# The DVD subtitle helper and the skin exporter come from tools/, which the fuzz tree does not
# add.
if(NOT TARGET zvp-make-dvdsub)
  add_executable(zvp-make-dvdsub ${PROJECT_SOURCE_DIR}/tools/make-dvdsub.cpp)
  target_link_libraries(zvp-make-dvdsub PRIVATE PkgConfig::FFMPEG)
endif()
if(NOT TARGET skin_export)
  add_executable(skin_export ${PROJECT_SOURCE_DIR}/tools/skin_export.cpp)
  target_link_libraries(skin_export PRIVATE zvp_skin)
endif()
add_executable(zvp-fuzz-seeds ${CMAKE_CURRENT_LIST_DIR}/make-seeds.cpp)
target_compile_options(zvp-fuzz-seeds PRIVATE ${ZVP_WARNINGS})
target_link_libraries(zvp-fuzz-seeds PRIVATE zvp_playlist zvp_app PkgConfig::FFMPEG)
set_target_properties(zvp-fuzz-seeds PROPERTIES AUTOMOC OFF)

set(ZVP_FUZZ_SEEDS_STAMP ${ZVP_FUZZ_SEEDS}/.generated)
add_custom_command(
  OUTPUT ${ZVP_FUZZ_SEEDS_STAMP}
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/gen-corpus-seeds.sh ${ZVP_FUZZ_SEEDS} ${ZVP_FFMPEG_EXECUTABLE}
          $<TARGET_FILE:zvp-make-dvdsub> $<TARGET_FILE:zvp-fuzz-seeds> $<TARGET_FILE:skin_export>
  COMMAND ${CMAKE_COMMAND} -E touch ${ZVP_FUZZ_SEEDS_STAMP}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gen-corpus-seeds.sh zvp-make-dvdsub zvp-fuzz-seeds skin_export
  COMMENT "Generating the fuzz seeds in ${ZVP_FUZZ_SEEDS}"
  VERBATIM)
if(ZVP_BUILD_TESTS AND NOT ZVP_BUILD_FUZZ)
  add_custom_target(fuzz_corpus ALL DEPENDS ${ZVP_FUZZ_SEEDS_STAMP})
else()
  add_custom_target(fuzz_corpus DEPENDS ${ZVP_FUZZ_SEEDS_STAMP})
endif()
