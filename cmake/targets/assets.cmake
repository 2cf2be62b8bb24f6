# The asset archive reader lives in the game; the builder program makes the
# archive itself as part of the default build.
find_package(ZLIB REQUIRED)
target_link_libraries(zentrix_core PUBLIC ZLIB::ZLIB)

pkg_check_modules(ASSET_TOOLS REQUIRED IMPORTED_TARGET cairo freetype2 vorbisenc vorbisfile ogg)

set(ASSET_TOOL_DIR ${CMAKE_SOURCE_DIR}/tools/assets)
file(GLOB ASSET_TOOL_SOURCES CONFIGURE_DEPENDS ${ASSET_TOOL_DIR}/*.cpp)
file(GLOB ASSET_GENERATOR_SOURCES CONFIGURE_DEPENDS ${ASSET_TOOL_DIR}/images*.cpp
     ${ASSET_TOOL_DIR}/sounds*.cpp)

# Everything but the entry point and the image and sound generators, so the
# tests can link the writers on their own.
set(ASSET_LIBRARY_SOURCES ${ASSET_TOOL_SOURCES})
list(REMOVE_ITEM ASSET_LIBRARY_SOURCES ${ASSET_TOOL_DIR}/main.cpp ${ASSET_GENERATOR_SOURCES})
add_library(zentrix_asset_writers STATIC ${ASSET_LIBRARY_SOURCES})
target_include_directories(zentrix_asset_writers PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(zentrix_asset_writers PUBLIC PkgConfig::ASSET_TOOLS ZLIB::ZLIB)

# The builder program and the archive it makes. Defined once the whole tree is
# read, so it can link the image and sound generators' own libraries when
# their cmake files define them, or compile their sources when they do not.
function(zentrix_define_asset_builder)
  set(archive ${CMAKE_BINARY_DIR}/data/assets.ass)
  if(ZENTRIX_SANITIZE)
    add_custom_command(OUTPUT ${archive}
      COMMAND ${CMAKE_COMMAND} -E copy ${ZENTRIX_ASSET_ARCHIVE} ${archive}
      DEPENDS ${ZENTRIX_ASSET_ARCHIVE} COMMENT "Taking the asset archive of the normal build")
    add_custom_target(zentrix_asset_archive ALL DEPENDS ${archive})
    return()
  endif()
  set(generator_sources "")
  set(generator_libraries "")
  foreach(kind images sounds)
    file(GLOB sources CONFIGURE_DEPENDS ${ASSET_TOOL_DIR}/${kind}*.cpp)
    if(NOT sources)
      message(STATUS "zentrix-assets waits for the ${kind} generators")
      return()
    elseif(TARGET zentrix_${kind})
      list(APPEND generator_libraries zentrix_${kind})
    else()
      list(APPEND generator_sources ${sources})
    endif()
  endforeach()
  add_executable(zentrix-assets ${ASSET_TOOL_DIR}/main.cpp ${generator_sources})
  target_link_libraries(zentrix-assets PRIVATE zentrix_asset_writers ${generator_libraries})

  file(GLOB_RECURSE asset_source_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/*)
  add_custom_command(
    OUTPUT ${archive}
    COMMAND zentrix-assets --out ${archive} --sources ${CMAKE_SOURCE_DIR}/assets
    DEPENDS zentrix-assets ${asset_source_files}
            /usr/share/fonts/opentype/jura/Jura-Bold.otf
            /usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
    COMMENT "Building the asset archive"
    VERBATIM)
  add_custom_target(zentrix_asset_archive ALL DEPENDS ${archive})
endfunction()
cmake_language(DEFER CALL zentrix_define_asset_builder)

enable_testing()
file(GLOB ASSET_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/assets/*.cpp)
add_executable(zentrix_asset_tests ${ASSET_TEST_SOURCES})
target_link_libraries(zentrix_asset_tests PRIVATE zentrix_core zentrix_asset_writers GTest::gtest
                      GTest::gtest_main)
target_compile_definitions(zentrix_asset_tests PRIVATE ZENTRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                           ZENTRIX_BUILD_DIR="${CMAKE_BINARY_DIR}")
include(GoogleTest)
gtest_discover_tests(zentrix_asset_tests DISCOVERY_TIMEOUT 60)
