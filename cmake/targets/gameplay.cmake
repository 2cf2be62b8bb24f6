# Gameplay: level files are read through zlib; the balance bench runs the
# bot over every mode and Classic level without a window.
find_package(ZLIB REQUIRED)
target_link_libraries(zentrix_core PUBLIC ZLIB::ZLIB)

add_executable(zentrix-balance bench/balance/main.cpp)
target_link_libraries(zentrix-balance PRIVATE zentrix_core)

# Replay verification throughput per core (bench/server).
add_executable(zentrix-verify-bench bench/server/verify_replays.cpp)
target_link_libraries(zentrix-verify-bench PRIVATE zentrix_core)
# With --checker it also runs the server's checker processes.
cmake_language(DEFER CALL target_link_libraries zentrix-verify-bench PRIVATE zentrix_server)

# The server's replay checker: one process per uploaded replay.
add_executable(zentrix-replay-check tools/replay_check/main.cpp)
target_link_libraries(zentrix-replay-check PRIVATE zentrix_core)
