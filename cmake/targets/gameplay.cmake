# Gameplay: level files are read through zlib; the balance bench runs the
# bot over every mode and Classic level without a window.
find_package(ZLIB REQUIRED)
target_link_libraries(zentrix_core PUBLIC ZLIB::ZLIB)

add_executable(zentrix-balance bench/balance/main.cpp)
target_link_libraries(zentrix-balance PRIVATE zentrix_core)
