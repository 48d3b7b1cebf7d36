# Seek latency and the time a seek keeps the UI thread, through the playback controller and
# the engine with the null renderers. bench/seek_latency.sh sets them against mpv.
add_executable(seek_latency ${CMAKE_CURRENT_LIST_DIR}/seek_latency.cpp)
target_link_libraries(seek_latency PRIVATE zvp_playlist Threads::Threads)
add_dependencies(seek_latency test_media)
