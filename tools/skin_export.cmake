# skin_export FOLDER: the built-in skin as a skin file and PNG strips (tools/skin-export).
if(TARGET zvp_skin)
  add_executable(skin_export ${CMAKE_CURRENT_LIST_DIR}/skin_export.cpp)
  target_compile_options(skin_export PRIVATE ${ZVP_WARNINGS})
  target_link_libraries(skin_export PRIVATE zvp_skin)
endif()
