# The sound engine: OpenAL Soft with ALUT for output, libvorbisfile to decode.
pkg_check_modules(ZX_SOUND REQUIRED IMPORTED_TARGET openal freealut vorbisfile)
target_link_libraries(zentrix_core PUBLIC PkgConfig::ZX_SOUND)

# The sound tests encode their own small Ogg files; the test program is
# defined after this file, so the link is added once the whole tree is read.
pkg_check_modules(ZX_SOUND_ENCODER REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
cmake_language(DEFER CALL target_link_libraries zentrix_tests PRIVATE PkgConfig::ZX_SOUND_ENCODER)
