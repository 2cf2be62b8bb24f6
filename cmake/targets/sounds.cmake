# Synthesised sounds for the asset archive: DSP blocks, effects, music and the Vorbis encoder.
if(ZENTRIX_SANITIZE)  # the sanitizer build takes a ready archive
  return()
endif()
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbisenc vorbisfile vorbis ogg)
find_package(Threads REQUIRED)

file(GLOB ZENTRIX_SOUND_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assets/sounds*.cpp)
add_library(zentrix_sounds STATIC ${ZENTRIX_SOUND_SOURCES})
target_include_directories(zentrix_sounds PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zentrix_sounds PUBLIC PkgConfig::VORBIS Threads::Threads)
# synthesis runs at build time: keep it optimised in every build type
target_compile_options(zentrix_sounds PRIVATE -O2)

# The asset builder packs the sounds through generateSounds().
if(TARGET zentrix-assets)
  target_link_libraries(zentrix-assets PRIVATE zentrix_sounds)
endif()

# Review aid: every sound as WAV (synthesised) and Ogg (as packed) into a folder.
add_executable(zentrix-sounds-preview tools/sounds_preview/main.cpp)
target_link_libraries(zentrix-sounds-preview PRIVATE zentrix_sounds)

include(GoogleTest)
add_executable(zentrix_sounds_tests tests/assets_sounds/test_sounds.cpp)
target_link_libraries(zentrix_sounds_tests PRIVATE zentrix_sounds GTest::gtest GTest::gtest_main)
gtest_discover_tests(zentrix_sounds_tests DISCOVERY_TIMEOUT 120)
