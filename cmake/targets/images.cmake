# The texture generators of the asset builder, their preview tool and their tests.
if(ZENTRIX_SANITIZE)  # the sanitizer build takes a ready archive
  return()
endif()
pkg_check_modules(ZX_IMAGES_CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(ZX_IMAGES_FREETYPE REQUIRED IMPORTED_TARGET freetype2)

file(GLOB ZENTRIX_IMAGE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assets/images*.cpp)
# fonts.cpp names the font files the images draw with (the builder packs the same files).
add_library(zentrix_images STATIC ${ZENTRIX_IMAGE_SOURCES} ${CMAKE_SOURCE_DIR}/tools/assets/fonts.cpp)
target_include_directories(zentrix_images PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zentrix_images PUBLIC PkgConfig::ZX_IMAGES_CAIRO PkgConfig::ZX_IMAGES_FREETYPE)

# Writes every image as PNG plus contact sheets: zentrix-images-preview OUTDIR [theme...]
add_executable(zentrix-images-preview tools/images_preview/main.cpp)
target_link_libraries(zentrix-images-preview PRIVATE zentrix_images)

file(GLOB ZENTRIX_IMAGE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/assets_images/*.cpp)
add_executable(zentrix_images_tests ${ZENTRIX_IMAGE_TESTS})
target_link_libraries(zentrix_images_tests PRIVATE zentrix_images GTest::gtest GTest::gtest_main)
# One CTest entry: every case shares a single run of the generators (about 20 s).
add_test(NAME zentrix_images_tests COMMAND zentrix_images_tests)
