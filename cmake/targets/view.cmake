# The game view's frame-time bench: a scripted heavy scene rendered by the
# real program under a virtual display (bench/frames/run.sh drives it).
if(ZENTRIX_SANITIZE)
  return()
endif()
add_executable(zentrix-frames bench/frames/main.cpp bench/frames/floor.cpp
                              bench/frames/launch.cpp)
target_link_libraries(zentrix-frames PRIVATE zentrix_core)
